// hiscores.bin: its records byte for byte, short, long and odd files, and
// a save that never loses the old file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sys/file.h>
#include <utime.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <functional>

#include "scores/highscores.h"
#include "scores_test_util.h"
#include "support/ordinary_user.h"
#include "support/scratch.h"

namespace {

// Names in the folder besides `keep`.
std::set<std::string> others(const std::string &folder, const std::string &keep)
{
   std::set<std::string> names;
   for (const auto &entry : std::filesystem::directory_iterator(folder))
      names.insert(entry.path().filename().string());
   names.erase(keep);
   return names;
}

TEST(HighscoresFile, NoFileGivesTheDefaultRows)
{
   Scratch scratch;
   Highscores table;
   table.load(scratch.path("hiscores.bin"));
   EXPECT_EQ(table.entries, default_rows());
}

TEST(HighscoresFile, RecordsAreByteExactAndReadBackInTheirOrder)
{
   Scratch scratch;
   const std::vector<HighscoreEntry> rows = {
      {"Ann", 5},         {"", -1},   {"x.y z", 0x7fffffff}, {"B", int32_t(0x80000000)},
      {"Ccc", 70000},     {"D", 12},  {"Eeeeeeeeeeeeeeeeeeeeeeeeee", 300},
      {"F", 0x01020304},  {"G", 2},   {"H", 1},
   };
   const std::string path = scratch.path("hiscores.bin");
   Highscores table;
   table.entries = rows;
   ASSERT_EQ(table.save(path), "");
   const std::vector<unsigned char> bytes = read_file(path);
   ASSERT_EQ(bytes.size(), 1040u);
   for (size_t i = 0; i < rows.size(); i++) {
      const std::vector<unsigned char> expected = record(rows[i].name, rows[i].score);
      const auto at = bytes.begin() + long(104 * i);
      // The name, its zero byte and the score; what follows the zero is free.
      EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + long(rows[i].name.size()) + 1, at))
         << i;
      EXPECT_TRUE(std::equal(expected.begin() + 100, expected.end(), at + 100)) << i;
   }
   Highscores again;
   again.load(path);
   EXPECT_EQ(again.entries, rows);
}

TEST(HighscoresFile, ShortAndLongFiles)
{
   std::vector<unsigned char> full;
   std::vector<HighscoreEntry> rows;
   for (int i = 0; i < 10; i++) {
      rows.push_back({"P" + std::to_string(i), 50 - i});
      const std::vector<unsigned char> r = record(rows.back().name, rows.back().score);
      full.insert(full.end(), r.begin(), r.end());
   }
   const std::vector<HighscoreEntry> defaults = default_rows();
   Scratch scratch;
   const std::string path = scratch.path("hiscores.bin");
   std::vector<unsigned char> longer = full;
   const std::vector<unsigned char> extra = record("Extra", 99999);
   longer.insert(longer.end(), extra.begin(), extra.end());
   // Sizes and the number of whole records they hold. A file longer than a
   // table is none: the default rows, said at load, and never written; a
   // save says nothing more unless it loses a row stored here.
   const struct {
      size_t size;
      size_t whole;
   } cases[] = {{0, 0},    {50, 0},    {103, 0},  {104, 1},    {105, 1},
                {520, 5},  {1039, 9},  {1040, 10}, {1041, 0},  {longer.size(), 0}};
   for (const auto &c : cases) {
      const std::vector<unsigned char> bytes(longer.begin(), longer.begin() + long(c.size));
      scratch.write("hiscores.bin", bytes);
      Highscores table;
      const std::string said = table.load(path);
      ASSERT_EQ(table.entries.size(), 10u) << c.size;
      for (size_t i = 0; i < 10; i++)
         EXPECT_EQ(table.entries[i], i < c.whole ? rows[i] : defaults[i]) << c.size << " row " << i;
      EXPECT_EQ(table.save(path), "") << c.size;
      table.insert(7000, "New");
      if (c.size <= 1040) {
         EXPECT_EQ(table.save(path), "") << c.size;
         EXPECT_EQ(said, "") << c.size;
         EXPECT_EQ(read_file(path).size(), 1040u) << c.size;
      } else {
         EXPECT_EQ(table.save(path),
                   path + ": no table, so the names stored in this run are not kept");
         EXPECT_EQ(said, path + ": not read: " + std::to_string(c.size) +
                            " bytes, more than the 1040 such a file may hold, so it is no "
                            "table: this run's scores are kept in memory only");
         EXPECT_EQ(read_file(path), bytes);
      }
   }

   // What is not a file is no table either, and never waited for; with no
   // name, the table has no file at all.
   const std::string fifo = scratch.path("fifo");
   ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
   for (const std::string &odd : {fifo, scratch.path(""), std::string()}) {
      Highscores table;
      const std::string said = table.load(odd);
      EXPECT_EQ(said.empty(), odd.empty()) << odd;
      EXPECT_EQ(said.find(", not a file, so it is no table") != std::string::npos, !odd.empty())
         << said;
      EXPECT_EQ(table.entries, defaults);
      EXPECT_EQ(table.save(odd), "") << odd;
      table.insert(7000, "New");
      EXPECT_NE(table.save(odd).find(", so the names stored in this run are not kept"),
                std::string::npos)
         << odd;
      EXPECT_TRUE(table.unsaved()) << odd;
   }
   struct stat st;
   ASSERT_EQ(stat(fifo.c_str(), &st), 0);
   EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(HighscoresFile, OddNamesKeepTheirBytesAndAHundredByteNameIsCut)
{
   const std::string hundred(100, 'W');
   const std::vector<std::string> names = {"end\xF0", "end\xC3", "\xFF\xFE", hundred};
   std::vector<unsigned char> file;
   for (size_t i = 0; i < 10; i++) {
      const std::vector<unsigned char> r =
         record(i < names.size() ? names[i] : "Row", int32_t(1000 - i));
      file.insert(file.end(), r.begin(), r.end());
   }
   Scratch scratch;
   const std::string path = scratch.write("hiscores.bin", file);
   Highscores table;
   table.load(path);
   for (size_t i = 0; i < names.size(); i++)
      EXPECT_EQ(table.entries[i].name, names[i]) << i;
   EXPECT_EQ(table.entries[3].score, 997);

   ASSERT_EQ(table.save(path), "");
   std::vector<unsigned char> expected = file;
   // Only the hundred-byte name changes: cut to 99 and ended by its zero.
   expected[3 * 104 + 99] = 0;
   EXPECT_EQ(read_file(path), expected);
   Highscores again;
   again.load(path);
   EXPECT_EQ(again.entries[3].name, std::string(99, 'W'));
   EXPECT_EQ(again.entries[3].score, 997);
   EXPECT_EQ(again.entries[4], table.entries[4]);
}

TEST(HighscoresFile, SaveKeepsPermissionsAndSymbolicLinks)
{
   Scratch scratch;
   std::filesystem::create_directory(scratch.path("real"));
   std::filesystem::create_directory(scratch.path("game"));
   const std::string real = scratch.write("real/scores", std::vector<unsigned char>(1040, 0));
   chmod(real.c_str(), 0640);
   const std::string link = scratch.path("game/hiscores.bin");
   ASSERT_EQ(symlink("../real/scores", link.c_str()), 0);

   Highscores table;
   table.entries = default_rows();
   table.entries[0].name = "Linked";
   // The lock and the clean-up are those of the folder the temporary
   // files go to, the target's.
   const std::string leftover = scratch.write("real/.scores.tmp-AbC123", {1});
   const utimbuf then = {time(nullptr) - 120, time(nullptr) - 120};
   ASSERT_EQ(utime(leftover.c_str(), &then), 0);
   const int folder = open(scratch.path("real").c_str(), O_RDONLY | O_DIRECTORY);
   ASSERT_EQ(flock(folder, LOCK_EX), 0);
   table.lockWait = 0.1;
   EXPECT_EQ(table.save(link),
             link + ": another copy of the game kept the table locked; not saved");
   close(folder);
   ASSERT_EQ(table.save(link), "");
   struct stat st;
   ASSERT_EQ(lstat(link.c_str(), &st), 0);
   EXPECT_TRUE(S_ISLNK(st.st_mode));
   ASSERT_EQ(stat(real.c_str(), &st), 0);
   EXPECT_EQ(st.st_mode & 07777, 0640u);
   Highscores again;
   again.load(real);
   EXPECT_EQ(again.entries, table.entries);
   EXPECT_EQ(others(scratch.path("real"), "scores"), std::set<std::string>());
   EXPECT_EQ(others(scratch.path("game"), "hiscores.bin"), std::set<std::string>());

   // A new file gets what the umask allows, as any file the program makes.
   const mode_t mask = umask(027);
   const std::string fresh = scratch.path("game/new.bin");
   EXPECT_EQ(table.save(fresh), "");
   umask(mask);
   ASSERT_EQ(stat(fresh.c_str(), &st), 0);
   EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Runs `steps` in a child process that may write no more than `limit`
// bytes to a file until it calls lift_file_size_limit(); whether they
// report success.
bool with_file_size_limit(rlim_t limit, const std::function<bool()> &steps)
{
   const pid_t child = fork();
   if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit small;
      getrlimit(RLIMIT_FSIZE, &small);
      small.rlim_cur = limit;
      setrlimit(RLIMIT_FSIZE, &small);
      _exit(steps() ? 0 : 1);
   }
   int status = 0;
   waitpid(child, &status, 0);
   return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void lift_file_size_limit()
{
   rlimit limit;
   getrlimit(RLIMIT_FSIZE, &limit);
   limit.rlim_cur = limit.rlim_max;
   setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(HighscoresFile, AFailedSaveLeavesTheOldFileAndNoTemporaryFile)
{
   Scratch scratch;
   std::vector<unsigned char> old;
   for (int i = 0; i < 10; i++) {
      const std::vector<unsigned char> r = record("Old" + std::to_string(i), 10 - i);
      old.insert(old.end(), r.begin(), r.end());
   }
   const std::string path = scratch.write("hiscores.bin", old);
   Highscores table;
   table.entries = default_rows();

   // No room for the whole file: the write fails half-way.
   EXPECT_FALSE(with_file_size_limit(500, [&] { return table.save(path).empty(); }));
   EXPECT_EQ(read_file(path), old);
   EXPECT_EQ(others(scratch.path(""), "hiscores.bin"), std::set<std::string>());
   EXPECT_TRUE(with_file_size_limit(1040, [&] { return table.save(path).empty(); }));
   // The row that write would have added waits, and a later save puts it
   // among another copy's rows.
   EXPECT_TRUE(with_file_size_limit(500, [&] {
      Highscores mine, theirs;
      mine.load(path);
      mine.insert(9000, "Mine");
      const bool waits = !mine.save(path).empty() && mine.unsaved();
      lift_file_size_limit();
      theirs.load(path);
      theirs.insert(8000, "Theirs");
      return waits && theirs.save(path).empty() && mine.save(path).empty();
   }));
   Highscores merged;
   merged.load(path);
   EXPECT_EQ(merged.entries[0], (HighscoreEntry{"Mine", 9000}));
   EXPECT_EQ(merged.entries[1], (HighscoreEntry{"Theirs", 8000}));

   // What stands at the name cannot be read again, or is no table: nothing
   // is written, and the new row waits for the next save.
   const std::string fifo = scratch.path("fifo"), longer = scratch.path("longer");
   ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
   std::filesystem::create_directory(scratch.path("blocked"));
   std::vector<unsigned char> tooLong = old;
   tooLong.push_back(0);
   scratch.write("longer", tooLong);
   const struct {
      std::string path;
      const char *reason;
   } unreadable[] = {{scratch.path("blocked"), "not read: it is a folder, not a file"},
                     {fifo, "not read: it is a FIFO, not a file"},
                     {longer, "not read: 1041 bytes, more than the 1040"}};
   for (const auto &c : unreadable) {
      Highscores mine;
      mine.entries = default_rows();
      mine.insert(9000, "Mine");
      const std::string problem = mine.save(c.path);
      EXPECT_EQ(problem.rfind(c.path + ": " + c.reason, 0), 0u) << problem;
      EXPECT_EQ(problem.substr(problem.size() - std::min<size_t>(problem.size(), 11)), "; not saved");
      EXPECT_TRUE(mine.unsaved()) << c.path;
      EXPECT_EQ(mine.save(scratch.path("hiscores.bin")), "");
      EXPECT_FALSE(mine.unsaved());
      EXPECT_EQ(mine.entries[0], (HighscoreEntry{"Mine", 9000}));
   }
   EXPECT_TRUE(std::filesystem::is_directory(scratch.path("blocked")));
   EXPECT_EQ(read_file(longer), tooLong);
   EXPECT_EQ(others(scratch.path(""), "hiscores.bin"),
             (std::set<std::string>{"blocked", "fifo", "longer"}));

   // No folder to write into.
   EXPECT_NE(table.save(scratch.path("missing/hiscores.bin")), "");

   // No permission, for a user the permissions apply to: a read-only file,
   // and a writable one in a read-only folder. A table the run left as it
   // was is not written again, so it ends without complaint; one that
   // cannot be read is never written over.
   as_ordinary_user(scratch.path(""), [&] {
      for (const char *folder : {"readonly", "shut"}) {
         std::filesystem::create_directory(scratch.path(folder));
         const std::string file = scratch.write(std::string(folder) + "/hiscores.bin", old);
         ASSERT_EQ(chmod((folder == std::string("shut") ? scratch.path(folder) : file).c_str(),
                         0555),
                   0);
         EXPECT_NE(table.save(file), "") << file;
         EXPECT_EQ(read_file(file), old) << file;
         EXPECT_EQ(others(scratch.path(folder), "hiscores.bin"), std::set<std::string>());
         Highscores unchanged;
         unchanged.load(file);
         EXPECT_EQ(unchanged.save(file), "") << file;
      }
      // A folder that may be written in but not listed cannot be locked:
      // nothing is written, and the row waits.
      std::filesystem::create_directory(scratch.path("blind"));
      const std::string inBlind = scratch.write("blind/hiscores.bin", old);
      ASSERT_EQ(chmod(scratch.path("blind").c_str(), 0300), 0);
      Highscores mine;
      mine.load(inBlind);
      mine.insert(9000, "Mine");
      EXPECT_EQ(mine.save(inBlind),
                inBlind + ": cannot lock its folder: Permission denied; not saved");
      EXPECT_TRUE(mine.unsaved());
      EXPECT_EQ(read_file(inBlind), old);
      const std::string hidden = scratch.write("hidden.bin", old);
      ASSERT_EQ(chmod(hidden.c_str(), 0200), 0);
      Highscores blind;
      EXPECT_EQ(blind.load(hidden), hidden + ": cannot read it: Permission denied");
      EXPECT_EQ(blind.save(hidden), hidden + ": cannot read it: Permission denied; not saved");
      ASSERT_EQ(chmod(hidden.c_str(), 0600), 0);
      EXPECT_EQ(read_file(hidden), old);
   });
}

// Two copies of the game on one table, each confirming a row at the same
// moment after both read the file: the file keeps both rows.
TEST(HighscoresFile, TwoCopiesSavingAtOnceKeepEachOthersRows)
{
   Scratch scratch;
   const std::string path = scratch.path("hiscores.bin");
   int go[2];
   ASSERT_EQ(pipe(go), 0);
   pid_t copies[2];
   for (int i = 0; i < 2; i++) {
      copies[i] = fork();
      if (copies[i] == 0) {
         Highscores table;
         table.load(path);
         char signal;
         if (read(go[0], &signal, 1) != 1)
            _exit(2);
         table.insert(5000 + i, "Copy" + std::to_string(i));
         _exit(table.save(path).empty() ? 0 : 1);
      }
   }
   // Both have read the file (no file: the default rows) before either saves.
   usleep(100000);
   ASSERT_EQ(write(go[1], "gg", 2), 2);
   for (pid_t copy : copies) {
      int status = 0;
      waitpid(copy, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
   }
   Highscores table;
   table.load(path);
   EXPECT_EQ(table.entries[0], (HighscoreEntry{"Copy1", 5001}));
   EXPECT_EQ(table.entries[1], (HighscoreEntry{"Copy0", 5000}));
   EXPECT_EQ(table.entries[2], default_rows()[0]);

   // A row saved is no longer this copy's to add: after another copy's
   // save, this one's next save keeps it once.
   table.insert(6000, "Ours");
   ASSERT_EQ(table.save(path), "");
   Highscores other;
   other.load(path);
   other.insert(7000, "Theirs");
   ASSERT_EQ(other.save(path), "");
   ASSERT_EQ(table.save(path), "");
   Highscores file;
   file.load(path);
   EXPECT_EQ(file.entries, other.entries);
   EXPECT_EQ(file.entries[1], (HighscoreEntry{"Ours", 6000}));
   EXPECT_EQ(file.entries[2], (HighscoreEntry{"Copy1", 5001}));
}

TEST(HighscoresFile, ALockedTableIsNotWrittenAndOnlyOldTemporaryFilesGo)
{
   Scratch scratch;
   const std::string path = scratch.path("hiscores.bin");
   // Ages in seconds: only a temporary file of this table's saves a minute
   // old is one that no running save still writes.
   const std::pair<const char *, int> files[] = {
      {".hiscores.bin.tmp-AbC123", 120}, {".hiscores.bin.tmp-XyZ789", 0},
      {".hiscores.bin.tmp-Mid456", 10},  {".hiscores.bin.tmp-tooLong1", 120},
      {".scores.bin.tmp-AbC123", 120},   {"hiscores.bin.backup", 120},
      {"hiscores.bin.AbC123", 120},
   };
   for (const auto &[name, age] : files) {
      scratch.write(name, {1, 2, 3});
      const utimbuf then = {time(nullptr) - age, time(nullptr) - age};
      ASSERT_EQ(utime(scratch.path(name).c_str(), &then), 0);
   }

   // Another copy holds the lock all the while: nothing is written, and
   // the row waits for the next save.
   const int folder = open(scratch.path("").c_str(), O_RDONLY | O_DIRECTORY);
   ASSERT_EQ(flock(folder, LOCK_EX), 0);
   Highscores table;
   table.load(path);
   table.lockWait = 0.1;
   table.insert(2000, "Waiting");
   EXPECT_EQ(table.save(path),
             path + ": another copy of the game kept the table locked; not saved");
   EXPECT_FALSE(file_exists(path));
   EXPECT_TRUE(table.unsaved());
   close(folder);
   EXPECT_EQ(table.save(path), "");
   EXPECT_FALSE(table.unsaved());
   Highscores saved;
   saved.load(path);
   EXPECT_EQ(saved.entries[0], (HighscoreEntry{"Waiting", 2000}));
   std::set<std::string> kept;
   for (const auto &[name, age] : files)
      kept.insert(name);
   kept.erase(".hiscores.bin.tmp-AbC123");
   EXPECT_EQ(others(scratch.path(""), "hiscores.bin"), kept);

   // An installed game's table makes its folder, private to the user.
   table.makesItsFolder = true;
   EXPECT_EQ(table.save(scratch.path("data/tossaro/hiscores.bin")), "");
   struct stat st;
   ASSERT_EQ(stat(scratch.path("data/tossaro").c_str(), &st), 0);
   EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
