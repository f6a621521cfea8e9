// The leaderboard's parts on their own: the store (a row for each
// database, the same cases against each), the rate limit on a clock of the
// test's, and the judging of replays the end-to-end run does not send.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <glob.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

#include "replay/replay_file.h"
#include "server/checkers.h"
#include "server/client_address.h"
#include "server/clips.h"
#include "server/connection_watch.h"
#include "server/pages.h"
#include "server/play_budget.h"
#include "server/player_name.h"
#include "server/rate_limiter.h"
#include "server/server_log.h"
#include "server/server_options.h"
#include "server/store.h"
#include "server/submission.h"
#include "support/ordinary_user.h"
#include "support/scratch.h"
#include "support/shell_command.h"

namespace {

Replay recorded(const std::string &name)
{
   const Bytes bytes =
      read_file(std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/" + name + ".rpl");
   return decodeReplay(bytes.data(), bytes.size()).replay;
}

// --- The store -------------------------------------------------------

// A fresh, empty database of one kind, and how to open it again.
struct Database {
   const char *kind;
   std::function<std::string(const Scratch &)> fresh;  // its --database value
};

void PrintTo(const Database &database, std::ostream *out)
{
   *out << database.kind;
}

class StoreTest : public ::testing::TestWithParam<Database> {
protected:
   void SetUp() override
   {
      database = GetParam().fresh(scratch);
      store = open();
   }
   std::unique_ptr<Store> open()
   {
      std::string problem;
      auto opened = openStore(database, &problem);
      EXPECT_TRUE(opened) << problem;
      return opened;
   }
   // A run of its own play unless `play` is given.
   Placed add(const std::string &id, int32_t score, const std::string &digest,
              Addition *how = nullptr, const std::string &play = "")
   {
      ::Run run;
      run.id = id;
      run.name = "name of " + id;
      run.score = score;
      run.ticks = 100;
      run.played = 1733600000;
      run.submitted = 1733600100;
      Addition ignored;
      return store->add(run, digest, play.empty() ? "play of " + id : play,
                        Bytes(id.begin(), id.end()), how ? how : &ignored);
   }
   std::vector<std::string> ids(const std::vector<Placed> &runs)
   {
      std::vector<std::string> list;
      for (const Placed &p : runs)
         list.push_back(p.run.id + "@" + std::to_string(p.rank));
      return list;
   }

   Scratch scratch;
   std::string database;
   std::unique_ptr<Store> store;
};

TEST_P(StoreTest, RanksTheBestFirstAndEqualScoresByTheEarlierSubmission)
{
   add("a", 500, "da");
   add("b", 900, "db");
   add("c", 500, "dc");
   const Placed d = add("d", 900, "dd");
   EXPECT_EQ(d.rank, 2);
   EXPECT_EQ(d.of, 4);
   EXPECT_EQ(ids(store->top(10, 0)), (std::vector<std::string>{"b@1", "d@2", "a@3", "c@4"}));
   EXPECT_EQ(ids(store->top(2, 1)), (std::vector<std::string>{"d@2", "a@3"}));
   const std::optional<Placed> c = store->find("c");
   ASSERT_TRUE(c);
   EXPECT_EQ(c->rank, 4);
   EXPECT_EQ(c->run.name, "name of c");
   EXPECT_EQ(c->run.played, 1733600000);
   EXPECT_FALSE(store->find("e"));
}

TEST_P(StoreTest, TheSameBytesOrTheSamePlayAgainAreTheSameRun)
{
   Addition how = Addition::SamePlay;
   add("a", 500, "same", &how, "one play");
   EXPECT_EQ(how, Addition::New);
   const Placed again = add("b", 700, "same", &how, "another play");
   EXPECT_EQ(how, Addition::SameBytes);
   EXPECT_EQ(again.run.id, "a");
   EXPECT_EQ(again.run.score, 500);
   const Placed copy = add("c", 500, "other bytes", &how, "one play");
   EXPECT_EQ(how, Addition::SamePlay);
   EXPECT_EQ(copy.run.id, "a");
   EXPECT_EQ(store->count(), 1);
}

TEST_P(StoreTest, KeepsTheReplayAndClipOfEachRunAcrossAReopening)
{
   add("a", 500, "da");
   add("b", 600, "db");
   EXPECT_EQ(store->withoutClip(10), (std::vector<std::string>{"b", "a"}));
   store->keepClip("a", Bytes{'G', 'I', 'F', 0, 255});
   store.reset();
   store = open();
   ASSERT_TRUE(store);
   EXPECT_EQ(store->replay("b"), (Bytes{'b'}));
   EXPECT_EQ(store->clip("a"), (Bytes{'G', 'I', 'F', 0, 255}));
   EXPECT_FALSE(store->clip("b"));
   EXPECT_TRUE(store->find("a")->run.hasClip);
   EXPECT_EQ(store->withoutClip(10), (std::vector<std::string>{"b"}));
   EXPECT_TRUE(store->writable());
}

// A hidden run leaves the board, its ranks, its count and its public
// replay, and is kept, with why, until it is put back in its place.
TEST_P(StoreTest, AHiddenRunIsKeptOffTheBoardUntilPutBack)
{
   add("a", 900, "da");
   add("b", 700, "db");
   add("c", 500, "dc");
   EXPECT_TRUE(store->hide("b", "a bot"));
   EXPECT_TRUE(store->hide("b", "a bot's")) << "hidden again, with another reason";
   EXPECT_FALSE(store->hide("e", "no such run"));
   EXPECT_EQ(ids(store->top(10, 0)), (std::vector<std::string>{"a@1", "c@2"}));
   EXPECT_EQ(store->count(), 2);
   EXPECT_EQ(store->find("c")->rank, 2);
   EXPECT_FALSE(store->find("b"));
   EXPECT_FALSE(store->replay("b"));
   EXPECT_EQ(store->replay("b", true), (Bytes{'b'}));
   EXPECT_EQ(store->withoutClip(10), (std::vector<std::string>{"a", "c"}));
   const std::vector<HiddenRun> hidden = store->hidden();
   ASSERT_EQ(hidden.size(), 1u);
   EXPECT_EQ(hidden[0].run.id, "b");
   EXPECT_EQ(hidden[0].run.score, 700);
   EXPECT_EQ(hidden[0].reason, "a bot's");
   // Its copies are still the same play, and not a row of their own.
   Addition how = Addition::New;
   add("d", 700, "other", &how, "play of b");
   EXPECT_EQ(how, Addition::SamePlay);
   EXPECT_TRUE(store->unhide("b"));
   EXPECT_TRUE(store->unhide("b")) << "shown already";
   EXPECT_EQ(ids(store->top(10, 0)), (std::vector<std::string>{"a@1", "b@2", "c@3"}));
   EXPECT_EQ(store->count(), 3);
   EXPECT_EQ(store->find("c")->rank, 3);
   EXPECT_TRUE(store->hidden().empty());
   EXPECT_FALSE(store->unhide("e"));
}

// Equal scores are in the order they were submitted because the store
// asks for it, not because its index happens to keep them so: with an
// index that keeps them the other way round, the board is the same.
TEST(SqliteStore, ListsEqualScoresBySubmissionWhateverItsIndex)
{
   Scratch scratch;
   const std::string path = scratch.path("order.db");
   std::string problem;
   std::unique_ptr<Store> store = openStore("sqlite:" + path, &problem);
   ASSERT_TRUE(store) << problem;
   for (const char *id : {"first", "second", "third"}) {
      ::Run run;
      run.id = id;
      run.score = 500;
      Addition how;
      store->add(run, id, id, Bytes{'r'}, &how);
   }
   store.reset();
   sqlite3 *db = nullptr;
   ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
   ASSERT_EQ(sqlite3_exec(db,
                          "DROP INDEX runs_by_place;"
                          "CREATE INDEX runs_latest_first ON runs (score DESC, seq DESC)",
                          nullptr, nullptr, nullptr),
             SQLITE_OK);
   sqlite3_close(db);
   store = openStore("sqlite:" + path, &problem);
   ASSERT_TRUE(store) << problem;
   std::vector<std::string> order;
   for (const Placed &placed : store->top(10, 0))
      order.push_back(placed.run.id + "@" + std::to_string(placed.rank));
   EXPECT_EQ(order, (std::vector<std::string>{"first@1", "second@2", "third@3"}));
}

// Runs kept before plays were digested (a table of the first schema) are
// digested when the server starts: the earliest of each play keeps it,
// and a copy sent later is the same play as that one.
TEST(SqliteStore, DigestsThePlaysOfRunsKeptBeforeTheEarliestFirst)
{
   Scratch scratch;
   const std::string path = scratch.path("old.db");
   sqlite3 *db = nullptr;
   ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
   ASSERT_EQ(
      sqlite3_exec(db,
                   "CREATE TABLE runs (seq INTEGER PRIMARY KEY, id TEXT NOT NULL UNIQUE,"
                   " digest TEXT NOT NULL UNIQUE, name TEXT NOT NULL, score INTEGER NOT NULL,"
                   " ticks INTEGER NOT NULL, played INTEGER NOT NULL,"
                   " submitted INTEGER NOT NULL, replay BLOB NOT NULL);"
                   "CREATE INDEX runs_by_place ON runs (score DESC, seq);"
                   "CREATE TABLE clips (seq INTEGER PRIMARY KEY REFERENCES runs (seq),"
                   " gif BLOB NOT NULL);"
                   "INSERT INTO runs VALUES (1, 'first', 'd1', 'Ann', 500, 9, 1, 1, 'x1');"
                   "INSERT INTO runs VALUES (2, 'copy', 'd2', 'Bob', 500, 9, 1, 2, 'x2');"
                   "INSERT INTO runs VALUES (3, 'other', 'd3', 'Cy', 300, 9, 1, 3, 'y');"
                   "PRAGMA user_version = 1;",
                   nullptr, nullptr, nullptr),
      SQLITE_OK);
   sqlite3_close(db);
   std::string problem;
   std::unique_ptr<Store> store = openStore("sqlite:" + path, &problem);
   ASSERT_TRUE(store) << problem;
   // The play of x1 and x2 is the same.
   const PlayOf playOf = [](const Bytes &bytes) { return std::string(1, char(bytes[0])); };
   EXPECT_EQ(store->digestPlays(playOf), 2);
   EXPECT_EQ(store->digestPlays(playOf), 0) << "done once";
   // Counted as they were, and ranked.
   EXPECT_EQ(store->count(), 3);
   EXPECT_EQ(store->find("other")->rank, 3);
   EXPECT_EQ(store->find("copy")->rank, 2);
   ::Run run;
   run.id = "new";
   Addition how = Addition::New;
   EXPECT_EQ(store->add(run, "d4", "x", Bytes{'x', '3'}, &how).run.id, "first");
   EXPECT_EQ(how, Addition::SamePlay);
}

std::string sqliteFile(const Scratch &scratch)
{
   return "sqlite:" + scratch.path("leaderboard.db");
}

// A throwaway PostgreSQL cluster from Debian's packages, in a folder of
// its own, run by an ordinary user (PostgreSQL refuses root) on a free
// port of the loopback: started for the first test that asks, stopped and
// removed after the last.
class PostgresCluster : public ::testing::Environment {
public:
   static PostgresCluster &the()
   {
      static PostgresCluster *cluster = [] {
         auto *made = new PostgresCluster;
         ::testing::AddGlobalTestEnvironment(made);
         made->start();
         return made;
      }();
      return *cluster;
   }

   // A new empty database's connection string.
   std::string freshDatabase()
   {
      const std::string name = "store" + std::to_string(++databases_);
      EXPECT_EQ(run(bin_ + "psql -X -q -h 127.0.0.1 -p " + std::to_string(port_) +
                    " -U tossaro -d postgres -c 'CREATE DATABASE " + name + "'"),
                0);
      return "postgresql://tossaro@127.0.0.1:" + std::to_string(port_) + "/" + name;
   }

   void TearDown() override
   {
      as_ordinary_user(folder_.path(""), [this] {
         EXPECT_EQ(run(bin_ + "pg_ctl -D " + folder_.path("data") + " -m fast -w stop"), 0);
      });
   }

private:
   void start()
   {
      glob_t found;
      ASSERT_EQ(glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found), 0)
         << "no PostgreSQL server: bash scripts/install-deps.sh test installs it";
      bin_ = found.gl_pathv[found.gl_pathc - 1];
      bin_.erase(bin_.size() - 6);
      globfree(&found);
      port_ = freePort();
      as_ordinary_user(folder_.path(""), [this] {
         std::string said;
         ASSERT_EQ(
            run(bin_ + "initdb -A trust -U tossaro -E UTF8 --no-sync -D " + folder_.path("data"),
                &said),
            0)
            << said;
         ASSERT_EQ(run(bin_ + "pg_ctl -D " + folder_.path("data") + " -l " + folder_.path("log") +
                          " -w -o \"-c listen_addresses=127.0.0.1 -p " + std::to_string(port_) +
                          " -k " + folder_.path("") + " -c fsync=off\" start",
                       &said),
                   0)
            << said << read_text(folder_.path("log"));
      });
   }

   static int freePort()
   {
      const int s = socket(AF_INET, SOCK_STREAM, 0);
      sockaddr_in address = {};
      address.sin_family = AF_INET;
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      socklen_t length = sizeof address;
      bind(s, reinterpret_cast<sockaddr *>(&address), length);
      getsockname(s, reinterpret_cast<sockaddr *>(&address), &length);
      close(s);
      return ntohs(address.sin_port);
   }

   static std::string read_text(const std::string &path)
   {
      const Bytes bytes = read_file(path);
      return std::string(bytes.begin(), bytes.end());
   }

   Scratch folder_;
   std::string bin_;
   int port_ = 0;
   int databases_ = 0;
};

std::string postgresDatabase(const Scratch &)
{
   return PostgresCluster::the().freshDatabase();
}

INSTANTIATE_TEST_SUITE_P(Databases, StoreTest,
                         ::testing::Values(Database{"SQLite", sqliteFile},
                                           Database{"PostgreSQL", postgresDatabase}),
                         [](const auto &info) { return std::string(info.param.kind); });

TEST(SqliteStore, RefusesADatabaseOfANewerSchemaAndWhatIsNoDatabase)
{
   Scratch scratch;
   std::string problem;
   ASSERT_TRUE(openStore(sqliteFile(scratch), &problem)) << problem;
   sqlite3 *db = nullptr;
   ASSERT_EQ(sqlite3_open(scratch.path("leaderboard.db").c_str(), &db), SQLITE_OK);
   ASSERT_EQ(sqlite3_exec(db, "PRAGMA user_version = 99", nullptr, nullptr, nullptr), SQLITE_OK);
   sqlite3_close(db);
   EXPECT_FALSE(openStore(sqliteFile(scratch), &problem));
   EXPECT_EQ(problem, scratch.path("leaderboard.db") +
                         ": its schema is of version 99, newer than this server's " +
                         std::to_string(kSchemaVersion));
   scratch.write("text.db", Bytes(4096, 'x'));
   EXPECT_FALSE(openStore("sqlite:" + scratch.path("text.db"), &problem));
   EXPECT_EQ(problem, scratch.path("text.db") + ": file is not a database");
}

// --- The rate limit ----------------------------------------------------

TEST(RateLimiter, TakesThirtyAMinuteFromEachAddress)
{
   RateLimiter limiter(30);
   const RateLimiter::Clock::time_point start{};
   const auto at = [&](double seconds) {
      return start + std::chrono::duration_cast<RateLimiter::Clock::duration>(
                        std::chrono::duration<double>(seconds));
   };
   for (int k = 0; k < 30; k++)
      EXPECT_TRUE(limiter.admit("192.0.2.1", at(k))) << k;
   EXPECT_FALSE(limiter.admit("192.0.2.1", at(30)));
   EXPECT_TRUE(limiter.admit("192.0.2.2", at(30)));
   // Refused tries count too: a minute after the first, the minute up to
   // now still holds thirty; once the admitted ones are a minute old, it
   // takes more.
   EXPECT_FALSE(limiter.admit("192.0.2.1", at(60.5)));
   EXPECT_TRUE(limiter.admit("192.0.2.1", at(89)));
   // One exactly a minute old no longer counts.
   for (int k = 0; k < 30; k++)
      EXPECT_TRUE(limiter.admit("192.0.2.4", at(100 + k))) << k;
   EXPECT_TRUE(limiter.admit("192.0.2.4", at(160)));
   // Addresses gone quiet for a minute are forgotten.
   EXPECT_TRUE(limiter.admit("192.0.2.3", at(300)));
   EXPECT_EQ(limiter.addresses(), 1u);
}

// Past the most addresses it holds, the one heard from longest ago is
// forgotten, and the others keep their counts.
TEST(RateLimiter, HoldsAtMostSoManyAddressesForgettingTheQuietestFirst)
{
   RateLimiter limiter(2, 3);
   const RateLimiter::Clock::time_point now{};
   for (const char *address : {"a", "b", "c", "a", "a"})
      limiter.admit(address, now);
   EXPECT_EQ(limiter.addresses(), 3u);
   EXPECT_TRUE(limiter.admit("d", now));
   EXPECT_EQ(limiter.addresses(), 3u);
   // "b" went; "a", heard from last but one, still has its two.
   EXPECT_TRUE(limiter.admit("b", now));
   EXPECT_FALSE(limiter.admit("a", now));
}

// One machine is one key however it writes its address; a proxy on the
// loopback names the player, and no one else can.
TEST(ClientAddress, OneKeyAMachineAndXRealIpOnlyFromTheLoopback)
{
   const struct {
      const char *peer, *realIp, *key;
   } cases[] = {
      {"198.51.100.7", "", "198.51.100.7"},
      {"::ffff:198.51.100.7", "", "198.51.100.7"},
      {"2001:db8:1:2:aaaa::1", "", "2001:db8:1:2::/64"},
      {"2001:db8:1:2:bbbb::9", "", "2001:db8:1:2::/64"},
      {"2001:db8:1:3::1", "", "2001:db8:1:3::/64"},
      {"127.0.0.1", "198.51.100.7", "198.51.100.7"},
      {"::1", "::ffff:198.51.100.8", "198.51.100.8"},
      {"::ffff:127.0.0.1", "2001:db8::5", "2001:db8::/64"},
      {"127.0.0.1", "198.51.100.07", "127.0.0.1"},
      {"127.0.0.1", "not an address", "127.0.0.1"},
      {"198.51.100.9", "203.0.113.1", "198.51.100.9"},
      {"::ffff:198.51.100.9", "203.0.113.1", "198.51.100.9"},
      {"::2", "203.0.113.1", "::/64"},
   };
   for (const auto &c : cases)
      EXPECT_EQ(clientKey(c.peer, c.realIp), c.key) << c.peer << " " << c.realIp;
   EXPECT_FALSE(addressKey(std::string(100, '1')));
}

// --- The clips ---------------------------------------------------------

TEST(ConnectionWatch, CutsAHeadPastTenSecondsABodyPastThirtyAndTheIdleWhenCrowded)
{
   using std::chrono::seconds;
   const ConnectionWatch::Clock::time_point start;
   // Four connections of ten: not crowded until a sixth opens.
   ConnectionWatch watch(10);
   int ids[6];
   for (int i = 0; i < 4; i++)
      watch.opened(&ids[i], 100 + i, "198.51.100.1", start);
   watch.headIn(&ids[1], start + seconds(5));  // its body now has 30 s
   watch.headIn(&ids[2], start);
   watch.working(&ids[2]);  // being answered: no deadline
   watch.answered(&ids[3], start + seconds(2));  // kept alive, idle
   std::vector<int> cut;
   const auto cutAt = [&](int second) {
      cut.clear();
      watch.cutOverdue(start + seconds(second), [&](int socket) { cut.push_back(socket); });
      return cut;
   };
   EXPECT_EQ(cutAt(9), std::vector<int>{});
   EXPECT_EQ(cutAt(10), std::vector<int>{100});  // no head in 10 s
   EXPECT_EQ(cutAt(11), std::vector<int>{}) << "each is cut once";
   EXPECT_EQ(cutAt(12), std::vector<int>{103});  // idle 10 s since its answer
   EXPECT_EQ(cutAt(34), std::vector<int>{});
   EXPECT_EQ(cutAt(35), std::vector<int>{101});  // no body in 30 s
   EXPECT_EQ(cutAt(3600), std::vector<int>{});
   EXPECT_EQ(watch.unanswered(), 1u) << "the one being answered, which a stop waits for";
   watch.answering(&ids[2]);
   EXPECT_EQ(watch.unanswered(), 1u);
   watch.answered(&ids[2], start);
   EXPECT_EQ(watch.unanswered(), 0u);

   // Crowded, the idle kept-alive give way after 5 s; a first head still
   // has its 10.
   ConnectionWatch crowded(10);
   for (int i = 0; i < 6; i++)
      crowded.opened(&ids[i], 200 + i, "198.51.100.2", start);
   for (int i = 0; i < 3; i++)
      crowded.answered(&ids[i], start);
   cut.clear();
   crowded.cutOverdue(start + seconds(5), [&](int socket) { cut.push_back(socket); });
   EXPECT_EQ(cut, (std::vector<int>{200, 201, 202}));
   crowded.closed(&ids[0]);
   crowded.closed(&ids[1]);  // five of ten: not crowded
   crowded.answered(&ids[3], start);
   cut.clear();
   crowded.cutOverdue(start + seconds(9), [&](int socket) { cut.push_back(socket); });
   EXPECT_EQ(cut, std::vector<int>{});
}

TEST(ConnectionWatch, TakesEightConnectionsFromAnAddressAndAnyFromTheProxy)
{
   ConnectionWatch watch(4096);
   int ids[10];
   for (int i = 0; i < 8; i++) {
      EXPECT_TRUE(watch.admits("198.51.100.1")) << i;
      watch.opened(&ids[i], i, "198.51.100.1", {});
   }
   EXPECT_FALSE(watch.admits("198.51.100.1"));
   EXPECT_TRUE(watch.admits("198.51.100.2"));
   watch.closed(&ids[3]);
   EXPECT_TRUE(watch.admits("198.51.100.1")) << "a closed connection frees its place";
   for (int i = 0; i < 10; i++)
      watch.opened(&ids[i], i, "", {});
   EXPECT_TRUE(watch.admits(""));
}

TEST(Clips, AreTheLastTenSecondsByTheGamesOwnExport)
{
   EXPECT_EQ(clipCommand("/usr/games/tossaro", "/tmp/c/run.rpl", "/tmp/c/clip.gif", 5350),
             (std::vector<std::string>{"/usr/games/tossaro", "--replay", "/tmp/c/run.rpl", "--gif",
                                       "/tmp/c/clip.gif", "--from", "43.50", "--fps", "25"}));
   // A game shorter than ten seconds, whole.
   EXPECT_EQ(clipCommand("tossaro", "r", "g", 651)[6], "0.00");
   EXPECT_EQ(clipCommand("tossaro", "r", "g", 1001)[6], "0.01");
}

// The clips are made from the database, the best run first: none is
// dropped, and one whose clip failed waits for the next start.
TEST(Clips, TheNextIsTheBestRunWithoutOneButForThoseThatFailed)
{
   Scratch scratch;
   std::string problem;
   std::unique_ptr<Store> store = openStore("sqlite:" + scratch.path("clips.db"), &problem);
   ASSERT_TRUE(store) << problem;
   for (const auto &[id, score] : {std::pair{"a", 500}, {"b", 900}, {"c", 700}, {"d", 800}}) {
      ::Run run;
      run.id = id;
      run.score = score;
      Addition how;
      store->add(run, id, id, Bytes{'r'}, &how);
   }
   store->keepClip("b", Bytes{'G'});
   EXPECT_EQ(nextClip(*store, {}), "d");
   EXPECT_EQ(nextClip(*store, {"d"}), "c");
   EXPECT_EQ(nextClip(*store, {"d", "c"}), "a");
   EXPECT_EQ(nextClip(*store, {"a", "c", "d"}), std::nullopt);
}

// A server killed while it made a clip leaves its folder; the next start
// removes such folders, but a live server's, and nothing else.
TEST(Clips, AServerGoneLeavesNoFolderBehindAtTheNextStart)
{
   Scratch scratch;
   const pid_t gone = fork();
   if (gone == 0)
      _exit(0);
   waitpid(gone, nullptr, 0);
   const std::string live = "tossaro-server-clip-" + std::to_string(getpid()) + "-Lv1ng0",
                     dead = "tossaro-server-clip-" + std::to_string(gone) + "-D3adX1",
                     older = "tossaro-server-clip-Ab12Cd";
   for (const std::string &folder : {live, dead, older, std::string("something-else")}) {
      std::filesystem::create_directories(scratch.path(folder));
      scratch.write(folder + "/run.rpl", Bytes{'r'});
   }
   removeStaleClipFolders(scratch.path(""));
   std::set<std::string> left;
   for (const auto &entry : std::filesystem::directory_iterator(scratch.path("")))
      left.insert(entry.path().filename());
   EXPECT_EQ(left, (std::set<std::string>{live, "something-else"}));
}

// --- The pages ---------------------------------------------------------

TEST(Pages, EscapeEveryName)
{
   Placed placed;
   placed.run.id = "0123456789abcdef";
   placed.run.name = "<script>alert('x')</script> & \"co\"";
   placed.rank = placed.of = 1;
   const std::string escaped =
      "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;co&quot;";
   for (const std::string &page : {tablePage({placed}, 1), runPage(placed)}) {
      EXPECT_NE(page.find(escaped), std::string::npos) << page;
      EXPECT_EQ(page.find("<script"), std::string::npos) << page;
      EXPECT_EQ(page.find("'x'"), std::string::npos) << page;
   }
}

// --- Command line ------------------------------------------------------

// Each number the command line takes, at both ends of its range and one
// past them.
TEST(ServerCommandLine, TakesEachNumberWithinItsRangeAndNoneBeyond)
{
   const struct {
      std::vector<const char *> arguments;
      bool taken;
      int port;
      unsigned checkers;
   } cases[] = {
      {{}, true, 8765, 0},
      {{"--listen", "127.0.0.1:0"}, true, 0, 0},
      {{"--listen", "127.0.0.1:65535"}, true, 65535, 0},
      {{"--listen", "127.0.0.1:65536"}, false, 0, 0},
      {{"--checkers", "1"}, true, 8765, 1},
      {{"--checkers=256"}, true, 8765, 256},
      {{"--checkers", "257"}, false, 0, 0},
      {{"--checkers", "0"}, false, 0, 0},
   };
   for (const auto &c : cases) {
      std::vector<const char *> argv = {"tossaro-server"};
      argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
      const ServerCommandLine line =
         parseServerCommandLine(int(argv.size()), argv.data(), nullptr, "/usr/bin/tossaro-server");
      const std::string what = c.arguments.empty() ? "none" : c.arguments.back();
      EXPECT_EQ(line.request == ServerRequest::Serve, c.taken) << what << ": " << line.mistake;
      if (c.taken) {
         EXPECT_EQ(line.options.port, c.port) << what;
         EXPECT_EQ(line.options.checkers, c.checkers) << what;
      }
   }
}

// --- The log -----------------------------------------------------------

// A line said again within a minute is counted, not said; after the
// minute it is said with its count; another line is said at once.
TEST(ServerLog, SaysALineOnceAMinuteWithItsCount)
{
   FILE *out = tmpfile();
   ASSERT_NE(out, nullptr);
   ServerLog log(out);
   const ServerLog::Clock::time_point start{};
   const auto at = [&](int seconds) { return start + std::chrono::seconds(seconds); };
   for (int second = 0; second < 60; second++)
      log.say("POST /api/v1/replays: database or disk is full", at(second));
   log.say("the clip of run 0123456789abcdef: no space", at(30));
   log.say("POST /api/v1/replays: database or disk is full", at(60));
   log.say("POST /api/v1/replays: database or disk is full", at(61));
   rewind(out);
   std::string said;
   for (int c; (c = fgetc(out)) != EOF;)
      said += char(c);
   fclose(out);
   EXPECT_EQ(said, "tossaro-server: POST /api/v1/replays: database or disk is full\n"
                   "tossaro-server: the clip of run 0123456789abcdef: no space\n"
                   "tossaro-server: POST /api/v1/replays: database or disk is full (and 59 more "
                   "times in the minute before)\n");
}

// --- Checkers ----------------------------------------------------------

// A gate the checks wait at: it counts those that came, and lets them all
// go at once.
class Gate {
public:
   void pass()
   {
      std::unique_lock<std::mutex> hold(lock_);
      came_++;
      changed_.notify_all();
      changed_.wait(hold, [this] { return open_; });
   }
   // Whether `count` checks are at the gate together; false if they are
   // not within a minute, which no pool that makes them at once takes.
   bool reached(int count)
   {
      std::unique_lock<std::mutex> hold(lock_);
      return changed_.wait_for(hold, std::chrono::minutes(1), [&] { return came_ >= count; });
   }
   void open()
   {
      std::lock_guard<std::mutex> hold(lock_);
      open_ = true;
      changed_.notify_all();
   }

private:
   std::mutex lock_;
   std::condition_variable changed_;
   int came_ = 0;
   bool open_ = false;
};

// Two checkers make two checks at once; one more may wait its turn, and
// one past that is turned away at once; what a check throws reaches the
// one who asked for it.
TEST(Checkers, MakeAsManyChecksAtOnceAsThereAreCheckersAndTurnAwayPastTheQueue)
{
   Checkers checkers(2, 1, 4);
   Gate gate;
   std::atomic<int> made{0};
   const std::function<void()> check = [&] {
      gate.pass();
      made++;
   };
   std::vector<std::thread> askers;
   std::atomic<int> taken{0};
   for (const char *address : {"a", "b", "c"})
      askers.emplace_back(
         [&, address] { taken += checkers.run(address, check) == Checkers::Outcome::Done; });
   ASSERT_TRUE(gate.reached(2));
   while (checkers.waiting() < 1)
      std::this_thread::yield();
   EXPECT_EQ(checkers.run("d", check), Checkers::Outcome::Busy);
   EXPECT_EQ(made, 0);
   gate.open();
   for (std::thread &asker : askers)
      asker.join();
   EXPECT_EQ(taken, 3);
   EXPECT_EQ(made, 3);
   EXPECT_EQ(checkers.waiting(), 0u);

   EXPECT_THROW(checkers.run("a", [] { throw std::runtime_error("no memory"); }),
                std::runtime_error);
   EXPECT_EQ(checkers.run("a", [&] { made++; }), Checkers::Outcome::Done);
   EXPECT_EQ(made, 4);
}

// The addresses that wait are served in turn: a second address's first
// check goes before the first address's backlog, which may not grow past
// its share.
TEST(Checkers, ServeTheAddressesInTurnAndBoundEachOnesBacklog)
{
   Checkers checkers(1, 10, 2);
   Gate gate;
   std::mutex lock;
   std::vector<std::string> order;
   std::vector<std::thread> askers;
   const auto ask = [&](const std::string &address, const std::string &name, bool first) {
      askers.emplace_back([&, address, name, first] {
         checkers.run(address, [&, name, first] {
            if (first)
               gate.pass();
            std::lock_guard<std::mutex> hold(lock);
            order.push_back(name);
         });
      });
   };
   ask("a", "a1", true);
   ASSERT_TRUE(gate.reached(1));
   size_t waiting = 0;
   for (const char *name : {"a2", "a3", "b1"}) {
      ask(name[0] == 'a' ? "a" : "b", name, false);
      while (checkers.waiting() <= waiting)
         std::this_thread::yield();
      waiting++;
   }
   EXPECT_EQ(checkers.run("a", [] {}), Checkers::Outcome::TooMany);
   gate.open();
   for (std::thread &asker : askers)
      asker.join();
   EXPECT_EQ(order, (std::vector<std::string>{"a1", "a2", "b1", "a3"}));
}

// An address may have two hours of play checked in a minute; a check is
// charged what it played, and a minute later its play no longer counts.
TEST(PlayBudget, ChargesEachAddressThePlayItsChecksCost)
{
   PlayBudget budget(1000, 10);
   const PlayBudget::Clock::time_point start{};
   const auto at = [&](int seconds) { return start + std::chrono::seconds(seconds); };
   const uint64_t first = budget.reserve("a", 900, at(0));
   ASSERT_NE(first, 0u);
   // Reserved, not yet played: the claim counts.
   EXPECT_NE(budget.reserve("a", 100, at(1)), 0u);
   EXPECT_EQ(budget.reserve("a", 1, at(2)), 0u);
   EXPECT_NE(budget.reserve("b", 5000, at(2)), 0u) << "another address";
   // A forgery caught after 100 ticks costs 100.
   budget.settle("a", first, 100);
   EXPECT_NE(budget.reserve("a", 5000, at(3)), 0u);
   EXPECT_EQ(budget.reserve("a", 1, at(30)), 0u);
   EXPECT_EQ(budget.reserve("a", 1, at(62)), 0u) << "the 5000 of second 3 still counts";
   EXPECT_NE(budget.reserve("a", 1, at(63)), 0u);
}

// --- Judging -----------------------------------------------------------

// The server's clock as the judging sees it: a day after the long game
// was played.
const int64_t kNow = 1733700000;

// The replay of the bytes, changed.
void changeReplay(Bytes &bytes, const std::function<void(Replay &)> &change)
{
   Replay replay = decodeReplay(bytes.data(), bytes.size()).replay;
   change(replay);
   bytes = encodeReplay(replay);
}

struct Refusal {
   const char *what;
   std::function<void(Bytes &)> change;
   int status;
   const char *error;
};

class Judging : public ::testing::TestWithParam<Refusal> {};

TEST_P(Judging, RefusesWithItsStatusAndWhy)
{
   Replay replay = recorded("long");
   replay.name = "Ann";
   Bytes bytes = encodeReplay(replay);
   ASSERT_EQ(judgeReplay(bytes, "0.1.0", kNow).status, 0);
   GetParam().change(bytes);
   const Judgement judgement = judgeReplay(bytes, "0.1.0", kNow);
   EXPECT_EQ(judgement.status, GetParam().status);
   EXPECT_NE(judgement.error.find(GetParam().error), std::string::npos) << judgement.error;
}

// The names people can read, by Unicode's own tables; each refusal names
// its rule.
TEST(PlayerName, TakesWhatPeopleCanReadAndNamesTheRuleOfWhatItRefuses)
{
   const struct {
      const char *name, *problem;
   } cases[] = {
      {"Alice", ""},
      {"Zo\u00eb \u00d1and\u00fa", ""},
      {"\u674e\u5c0f\u9f8d", ""},
      {"Anne-Marie O'Neil", ""},
      {"Ann \U0001F642", ""},
      {"abcdefghijklmnopqrstuvwxyz", ""},
      {"abcdefghijklmnopqrstuvwxyz!", "longer than 26 characters"},
      {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
       "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9",
       ""},
      {"", "it is empty"},
      {"Alice ", "it ends with a blank"},
      {" Alice", "begins with a blank or has two in a row"},
      {"Al  ice", "begins with a blank or has two in a row"},
      {"   ", "begins with a blank"},
      {"Al\u200dice", "control or format character (U+200D)"},
      {"\ufeffAlice", "control or format character (U+FEFF)"},
      {"\u200b\u200b\u200b", "control or format character (U+200B)"},
      {"\u202eecilA", "control or format character (U+202E)"},
      {"Ann\x7f", "control or format character (U+007F)"},
      {"Al\u00a0ice", "a separator other than the blank"},
      {"Al\u2028ice", "a separator other than the blank"},
      {"Zoe\u0308", "not in Unicode's composed form (NFC)"},
      {"Ann\xff", "not UTF-8 text"},
      {"Ann\xed\xa0\x80", "not UTF-8 text"},
      {"Ann\U000F0000", "no font draws alike (U+F0000)"},
   };
   for (const auto &c : cases) {
      const std::string problem = nameProblem(c.name);
      if (*c.problem == 0)
         EXPECT_EQ(problem, "") << c.name;
      else
         EXPECT_NE(problem.find(c.problem), std::string::npos) << c.name << ": " << problem;
   }
}

// A game may have begun from the first second of 2024 to a day past the
// server's clock.
TEST(Examining, TakesAStartFromTwentyTwentyFourToADayAhead)
{
   for (const int64_t start : {int64_t(1704067200), kNow + 86400}) {
      Bytes bytes = encodeReplay(recorded("long"));
      changeReplay(bytes, [start](Replay &r) {
         r.name = "Ann";
         r.start.startTime = start;
         r.start.seed = uint32_t(start);
      });
      EXPECT_EQ(examineReplay(bytes, kNow).error, "") << start;
   }
}

Bytes named(const std::string &name)
{
   Replay replay = recorded("long");
   replay.name = name;
   return encodeReplay(replay);
}

INSTANTIATE_TEST_SUITE_P(
   Replays, Judging,
   ::testing::Values(
      Refusal{"NoName", [](Bytes &b) { b = named(""); }, 400,
              "its name is not one people can read: it is empty"},
      Refusal{"ANameOfControls", [](Bytes &b) { b = named("Ann\x1b[2J"); }, 400,
              "control or format character (U+001B)"},
      Refusal{"AnotherFormat", [](Bytes &b) { b[4] = 2; }, 422, "format version 2"},
      Refusal{"ASeedNotItsStartTimes",
              [](Bytes &b) { changeReplay(b, [](Replay &r) { r.start.seed++; }); }, 422,
              "its seed is not its start time's"},
      Refusal{"StartedIn1970",
              [](Bytes &b) {
                 changeReplay(b, [](Replay &r) { r.start.startTime -= int64_t(1) << 32; });
              },
              422, "before 2024 or more than a day after"},
      Refusal{"StartedMoreThanADayAhead",
              [](Bytes &b) {
                 changeReplay(b, [](Replay &r) {
                    r.start.startTime = kNow + 86401;
                    r.start.seed = uint32_t(r.start.startTime);
                 });
              },
              422, "before 2024 or more than a day after"},
      Refusal{"MoreThanADay",
              [](Bytes &b) {
                 Replay replay = decodeReplay(b.data(), b.size()).replay;
                 const uint32_t more = kMaxTicks + 100 - replay.ticks;
                 replay.runs.back().ticks += more;
                 replay.ticks += more;
                 replay.checks.resize(replay.ticks / Replay::kCheckEvery);
                 b = encodeReplay(replay);
              },
              422, "more than a day of play"},
      Refusal{"OfAnotherVersion",
              [](Bytes &b) {
                 Replay replay = decodeReplay(b.data(), b.size()).replay;
                 replay.gameVersion = "0.0.9";
                 replay.checks[20] ^= 1;
                 b = encodeReplay(replay);
              },
              422,
              "diverged at tick 2100 (recorded by tossaro 0.0.9; this server plays the rules of "
              "0.1.0)"}),
   [](const auto &info) { return std::string(info.param.what); });

}  // namespace
