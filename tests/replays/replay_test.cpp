// Replays: a game recorded as it is played, its file read back whole, every
// bad file named with where it goes wrong, and the runs that keep it small.
#include <allegro.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "app/main_loop.h"
#include "app/verify.h"
#include "game/game.h"
#include "game/playfield_fixture.h"
#include "game/ticks.h"
#include "replay/playback.h"
#include "replay/recorder.h"
#include "replay/replay_file.h"
#include "scores/highscores.h"
#include "scores/replay_shelf.h"
#include "screens/attract.h"
#include "screens/menu.h"
#include "screens/name_entry.h"
#include "screens/playfield.h"
#include "screens/replay_keeping.h"
#include "screens/replay_table.h"
#include "screens/watching.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/picture.h"
#include "shell/screen_state.h"
#include "support/scratch.h"

namespace {

class Replays : public PlayfieldTest {
protected:
   void SetUp() override
   {
      PlayfieldTest::SetUp();
      played().listener = &recorder;
   }
   void TearDown() override
   {
      played().listener = nullptr;
      PlayfieldTest::TearDown();
   }

   // A game from the menu with a fixed seed, the keys of `script` held for
   // 150 ticks each in turn, for `length` ticks; its replay.
   Replay scriptedGame(int length, time_t seed = 14)
   {
      const std::set<int> script[] = {
         {}, {KEY_W, KEY_RIGHT}, {KEY_A, KEY_UP}, {KEY_D}, {KEY_S, KEY_LEFT}, {},
      };
      testSeed = seed;
      scripted.down = {KEY_D};
      newGame();
      for (int tick = 0; tick < length && screenState == Playing; tick++) {
         scripted.down = script[tick / 150 % std::size(script)];
         ticks(1);
      }
      recorder.finish(played().score);
      return *recorder.finished();
   }

   Recorder recorder{"9.8.7"};
};

TEST_F(Replays, AGameIsRecordedAsPlayedAndItsFileReadsBackWhole)
{
   const Replay replay = scriptedGame(1234);
   EXPECT_EQ(replay.gameVersion, "9.8.7");
   EXPECT_EQ(replay.start.startTime, 14);
   EXPECT_EQ(replay.start.seed, 14u);
   EXPECT_EQ(replay.start.actions, ActionSet(1u << LeftTiltRight));
   EXPECT_FALSE(replay.start.withinTick);
   EXPECT_EQ(replay.start.left.centreX, kLeftHandAtStart.centreX);
   EXPECT_EQ(replay.ticks, 1234u);
   EXPECT_EQ(replay.finalScore, played().score);
   EXPECT_GT(played().score, 0);
   EXPECT_EQ(replay.checks.size(), 12u);
   // Eight stretches of 150 ticks, two of them alike and in a row, and a
   // part of the ninth.
   ASSERT_EQ(replay.runs.size(), 8u);
   EXPECT_EQ(replay.runs[1].actions, ActionSet(1u << LeftPowerUp | 1u << RightTiltRight));
   EXPECT_EQ(replay.runs[5].ticks, 300u);
   EXPECT_EQ(replay.runs[7].ticks, 34u);

   Replay named = replay;
   named.name = "Ada L.";
   named.endedByGameOver = true;
   const std::vector<unsigned char> bytes = encodeReplay(named);
   const ReplayReading back = decodeReplay(bytes.data(), bytes.size());
   ASSERT_EQ(back.fault, ReplayFault::None) << describeFault(back);
   EXPECT_EQ(back.replay.name, "Ada L.");
   EXPECT_TRUE(back.replay.endedByGameOver);
   EXPECT_EQ(back.replay.ticks, replay.ticks);
   EXPECT_EQ(back.replay.finalScore, replay.finalScore);
   EXPECT_EQ(back.replay.checks, replay.checks);
   EXPECT_EQ(memcmp(&back.replay.start.right, &replay.start.right, sizeof(Hand)), 0);
   EXPECT_EQ(encodeReplay(back.replay), bytes);

   // Through a file, too.
   Scratch scratch;
   std::string problem;
   const ReplayReading read = readReplayFile(scratch.write("game.rpl", bytes), &problem);
   EXPECT_EQ(problem, "");
   EXPECT_EQ(encodeReplay(read.replay), bytes);
}

TEST_F(Replays, ANewGameKeyInPlayEndsTheRecordingAndBeginsOneWithinItsTick)
{
   scriptedGame(0);
   scripted.down = {KEY_SPACE, KEY_W};
   testSeed = 99;
   ticks(1);
   ASSERT_TRUE(recorder.recording());
   EXPECT_EQ(recorder.finished()->ticks, 0u);
   scripted.down.clear();
   ticks(250);
   recorder.finish(played().score);
   const Replay &second = *recorder.finished();
   EXPECT_TRUE(second.start.withinTick);
   EXPECT_EQ(second.start.seed, 99u);
   EXPECT_EQ(second.start.actions, ActionSet(1u << NewGame | 1u << LeftPowerUp));
   EXPECT_EQ(second.ticks, 250u);
   ASSERT_EQ(second.runs.size(), 1u);
   EXPECT_EQ(second.runs[0].actions, 0);
}

// The recording never changes the game: played again from its start and
// actions alone, the game is the same at every check and at its end, also
// after a new game within a tick. One changed action, check or score is
// caught where it tells.
TEST_F(Replays, APlaybackIsTheGameAgainAndADriftIsCaughtWhereItShows)
{
   const Replay replay = scriptedGame(1234);
   const int32_t endScore = played().score;
   const Ball red = played().balls[0];
   Playback playback(replay);
   playback.seek(1234);
   EXPECT_TRUE(playback.over());
   EXPECT_EQ(playback.divergence(), "");
   EXPECT_EQ(playback.game().score, endScore);
   EXPECT_EQ(playback.game().balls[0].x, red.x);
   EXPECT_EQ(playback.game().balls[0].vy, red.vy);
   playback.seek(600);
   EXPECT_EQ(playback.tick(), 600u);
   EXPECT_FALSE(playback.over());
   // Its part up to a tick shown (a clip of a watched replay) plays as a
   // replay of its own.
   for (uint32_t tick : {0u, 1u, 99u, 100u, 600u, 1233u, 1234u}) {
      playback.seek(tick);
      EXPECT_EQ(verifyReplay(replayUpTo(replay, tick, playback.game().score)), "") << tick;
   }
   // No play scores nothing.
   EXPECT_EQ(verifyReplay(replayUpTo(replay, 0, 5)), "diverged at tick 0: score 0, recorded 5");
   // A check is silent: no one watches it.
   heard.played.clear();
   EXPECT_EQ(verifyReplay(replay), "");
   EXPECT_TRUE(heard.played.empty());

   scripted.down = {KEY_SPACE, KEY_A, KEY_UP};
   ticks(1);
   scripted.down = {KEY_UP};
   ticks(150);
   recorder.finish(played().score);
   EXPECT_EQ(verifyReplay(*recorder.finished()), "");

   Replay otherKeys = replay;
   otherKeys.runs[2].actions = 0;
   // Held from tick 300, the keys change the game by the check of 400.
   EXPECT_EQ(verifyReplay(otherKeys), "diverged at tick 400");
   Replay otherCheck = replay;
   otherCheck.checks[7] ^= 1;
   EXPECT_EQ(verifyReplay(otherCheck), "diverged at tick 800");
   Replay otherScore = replay;
   otherScore.finalScore++;
   EXPECT_EQ(verifyReplay(otherScore), "diverged at tick 1234: score " + std::to_string(endScore) +
                                          ", recorded " + std::to_string(endScore + 1));
   Replay over = replay;
   over.endedByGameOver = true;
   EXPECT_EQ(verifyReplay(over),
             "diverged at tick 1234: the recorded game was over there, this one is not");
   EXPECT_EQ(playingTime(5112), "0:51.12");
   EXPECT_EQ(playingTime(365001), "60:50.01");
}

// A check value covers the score, the energy, the timer and each ball's
// place and speed: a playback that differs in any of them at a check has
// drifted there.
TEST_F(Replays, ACheckValueCoversTheScoreEnergyTimerAndEachBallsPlaceAndSpeed)
{
   const Replay replay = scriptedGame(200);
   Playback playback(replay);
   playback.seek(200);
   Game game = playback.game();
   ASSERT_EQ(game.check(), replay.checks[1]);
   game.score++;
   EXPECT_NE(game.check(), replay.checks[1]) << "score";
   game.score--;
   std::vector<std::pair<std::string, float *>> fields = {{"energy", &game.energy},
                                                          {"timer", &game.hitTimer}};
   for (Ball &ball : game.balls) {
      const std::string which = "ball " + std::to_string(&ball - &game.balls[0]);
      for (auto [name, field] :
           {std::pair{" x", &ball.x}, {" y", &ball.y}, {" vx", &ball.vx}, {" vy", &ball.vy}})
         fields.push_back({which + name, field});
   }
   for (const auto &[name, field] : fields) {
      const float was = *field;
      *field += 0.25f;
      EXPECT_NE(game.check(), replay.checks[1]) << name;
      *field = was;
   }
   EXPECT_EQ(game.check(), replay.checks[1]);
}

// The program keeps every game: the last one left in last.rpl, written
// only once no game is in play, and a row's replay from the moment its
// name is stored until the row leaves the table.
TEST_F(Replays, TheLastGameAndEachRowPlayedHereAreKeptBesideTheTable)
{
   played().listener = nullptr;
   Scratch scratch;
   highscores.file = scratch.path("hiscores.bin");
   highscores.entries.assign(Highscores::kRows, {"Low", -5});
   playerName.clear();
   const std::string folder = scratch.path("replays");
   startKeepingReplays();
   const auto tick = [&](std::set<int> down) {
      scripted.down = std::move(down);
      updateScreen();
      keepReplays();
   };
   tick({KEY_P});
   ASSERT_EQ(screenState, Playing);
   tick({KEY_SPACE});
   for (int n = 0; n < 500; n++)
      tick({});
   ASSERT_EQ(screenState, Playing);
   EXPECT_FALSE(file_exists(folder + "/last.rpl")) << "written during play";
   tick({KEY_ESC});
   while (inputDelay > 0)
      tick({});
   tick({KEY_N});
   for (int n = 0; n < 3000 && screenState != GameOver; n++)
      tick({});
   ASSERT_EQ(screenState, GameOver);
   std::string problem;
   ReplayReading last = readReplayFile(folder + "/last.rpl", &problem);
   ASSERT_EQ(problem, "");
   EXPECT_TRUE(last.replay.endedByGameOver);
   EXPECT_EQ(last.replay.finalScore, played().score);
   EXPECT_EQ(verifyReplay(last.replay), "");

   while (screenState == GameOver)
      tick({KEY_ENTER});
   while (inputDelay > 0)
      tick({});
   for (int c : {'I', 'o'}) {
      scripted.buffer = {c};
      tick({});
   }
   scripted.buffer = {'\r'};
   tick({KEY_ENTER});
   ASSERT_EQ(screenState, ScoreTable);
   const std::vector<std::string> files = replayShelf()->filesOf(highscores.entries);
   ASSERT_EQ(highscores.entries[0].name, "Io");
   ASSERT_NE(files[0], "");
   EXPECT_EQ(files[1], "");
   const ReplayReading row = readReplayFile(files[0], &problem);
   EXPECT_EQ(row.replay.name, "Io");
   EXPECT_EQ(encodeReplay(row.replay).size(), encodeReplay(last.replay).size() + 2);
   EXPECT_EQ(read_file(folder + "/last.rpl"), read_file(files[0]))
      << "last.rpl carries the name once it is stored";
   stopKeepingReplays();

   // Replays that cannot be written (a file stands at replays/) are said
   // on stderr and by a notice on the table, until one is written again.
   const auto playAndLeave = [&] {
      screenState = Menu;
      inputDelay = 0;
      for (int key : {KEY_P, KEY_ESC, KEY_Y}) {
         while (inputDelay > 0)
            tick({});
         tick({key});
      }
      screenState = ScoreTable;
      clear_bitmap(backBuffer);
      drawReplayTable();
      return find_text(backBuffer, "Replay not kept: cannot write replays/", makecol(255, 255, 255))
                .y >= 0;
   };
   std::filesystem::remove_all(folder);
   scratch.write("replays", {1});
   startKeepingReplays();
   testing::internal::CaptureStderr();
   EXPECT_TRUE(playAndLeave()) << "no notice";
   EXPECT_NE(testing::internal::GetCapturedStderr().find(folder), std::string::npos);
   std::filesystem::remove(folder);
   EXPECT_FALSE(playAndLeave()) << "a notice after a replay was written";
   EXPECT_TRUE(file_exists(folder + "/last.rpl"));
   stopKeepingReplays();

   // A table that is no file of ours has no folder for replays: games are
   // recorded, and kept nowhere.
   std::filesystem::remove_all(folder);
   highscores.file = scratch.path("");
   highscores.load();
   startKeepingReplays();
   EXPECT_EQ(replayShelf(), nullptr);
   screenState = Menu;
   inputDelay = 0;
   tick({KEY_P});
   ASSERT_EQ(screenState, Playing);
   tick({});
   EXPECT_TRUE(gameSoFar());
   stopKeepingReplays();
   EXPECT_FALSE(std::filesystem::exists(folder));
   highscores.file = Highscores::kFile;
}

// A row's replay goes only when a save of its own table has just written
// the table without the row: never at the start, never for another table
// in the folder or one that cannot be read, never while another copy of
// the game has yet to save its row. last.rpl, files the game did not name
// and those named before replays carried their table's name stay.
TEST_F(Replays, ARowsReplayGoesOnlyWhenASaveOfItsOwnTableLeavesTheRowOut)
{
   const Replay game = scriptedGame(150);
   played().listener = nullptr;
   Scratch scratch;
   const std::string folder = scratch.path("replays"), main = scratch.path("hiscores.bin"),
                     other = scratch.path("other.bin");
   const auto names = [&] {
      std::set<std::string> found;
      for (const auto &entry : std::filesystem::directory_iterator(folder))
         found.insert(entry.path().filename().string());
      return found;
   };
   // Two tables in one folder, each of eight rows of 100 and two of 1.
   Highscores first, second, otherTable;
   for (const auto &[table, file] : {std::pair{&first, main}, {&otherTable, other}}) {
      table->load(file);
      table->entries.assign(8, {"Top", 100});
      table->entries.resize(Highscores::kRows, {"Low", 1});
      ASSERT_EQ(table->save(file), "");
   }
   // A second copy of the game starts on hiscores.bin before any row is
   // played.
   second.load(main);
   second.lockWait = 0.1;
   ReplayShelf shelf(folder, "hiscores.bin"), otherShelf(folder, "other.bin"),
      secondShelf(folder, "hiscores.bin");
   const auto play = [&](ReplayShelf &on, Highscores &table, const std::string &name,
                         int32_t points, int64_t start) {
      table.insert(points, name);
      Replay row = game;
      row.name = name;
      row.finalScore = points;
      row.start.startTime = start;
      EXPECT_EQ(on.keepRow(row), "");
   };
   play(shelf, first, "Io", 50, 10);
   play(shelf, first, "Io", 50, 10);
   ASSERT_EQ(first.save(main), "");
   play(otherShelf, otherTable, "Io", 50, 20);
   ASSERT_EQ(otherTable.save(other), "");
   ASSERT_EQ(shelf.keepLast(game), "");
   Replay old = game;
   old.name = "Top";
   old.finalScore = 100;
   old.start.startTime = 5;
   scratch.write("replays/5-100.rpl", encodeReplay(old));
   scratch.write("replays/friend.rpl", encodeReplay(old));
   // An untitled Io of 50, older than this table's: it may be another
   // table's, so the rows take their table's own files first.
   Replay oldIo = old;
   oldIo.name = "Io";
   oldIo.finalScore = 50;
   oldIo.start.startTime = 3;
   scratch.write("replays/3-50.rpl", encodeReplay(oldIo));
   std::set<std::string> kept = {"last.rpl", "friend.rpl", "5-100.rpl", "3-50.rpl",
                                 "other.bin-20-50.rpl"};
   kept.insert({"hiscores.bin-10-50.rpl", "hiscores.bin-10-50-2.rpl"});
   EXPECT_EQ(names(), kept);
   std::vector<std::string> files(Highscores::kRows);
   files[0] = folder + "/5-100.rpl";
   files[8] = folder + "/hiscores.bin-10-50.rpl";
   files[9] = folder + "/hiscores.bin-10-50-2.rpl";
   EXPECT_EQ(ReplayShelf(folder, "hiscores.bin").filesOf(first.entries), files);

   // The game started on the other table, or on one it cannot read (a
   // loop of links), removes nothing, even when that save fails.
   highscores.file = other;
   highscores.load();
   startKeepingReplays();
   keepReplays();
   // Its Top rows do not take the untitled 5-100.rpl: files named without
   // a table are hiscores.bin's alone.
   std::vector<std::string> otherFiles(Highscores::kRows);
   otherFiles[8] = folder + "/other.bin-20-50.rpl";
   EXPECT_EQ(replayShelf()->filesOf(highscores.entries), otherFiles);
   std::filesystem::rename(main, main + ".aside");
   ASSERT_EQ(symlink("hiscores.bin", main.c_str()), 0);
   highscores.file = main;
   EXPECT_NE(highscores.load(), "");
   startKeepingReplays();
   highscores.insert(5000, "Zed");
   EXPECT_NE(highscores.save(), "");
   keepReplays();
   stopKeepingReplays();
   EXPECT_EQ(names(), kept);
   std::filesystem::remove(main);
   std::filesystem::rename(main + ".aside", main);
   highscores.file = Highscores::kFile;

   // The second copy stores a row while a third holds the lock; the first
   // copy's save then leaves its newer Io out, whose file alone goes.
   const int lock = open(scratch.path("").c_str(), O_RDONLY | O_DIRECTORY);
   ASSERT_EQ(flock(lock, LOCK_EX), 0);
   play(secondShelf, second, "Kim", 70, 30);
   EXPECT_NE(second.save(main), "");
   close(lock);
   play(shelf, first, "Ann", 60, 40);
   ASSERT_EQ(first.save(main), "");
   shelf.prune(first.entries, first.takeLeftOut());
   kept.erase("hiscores.bin-10-50-2.rpl");
   kept.insert({"hiscores.bin-30-70.rpl", "hiscores.bin-40-60.rpl"});
   EXPECT_EQ(names(), kept);
   // The second copy's save adds its row and leaves the older Io out: its
   // file goes too, though it came after that copy's start.
   ASSERT_EQ(second.save(main), "");
   secondShelf.prune(second.entries, second.takeLeftOut());
   kept.erase("hiscores.bin-10-50.rpl");
   EXPECT_EQ(names(), kept);
}

// --replay FILE --verify: the end of a good replay, and one line naming
// the file and what is wrong, status 1, for any other.
TEST_F(Replays, VerifyingPrintsTheEndOrWhatIsWrongAndWhere)
{
   const Replay replay = scriptedGame(1234);
   Replay drifting = replay;
   drifting.checks[7] ^= 1;
   std::vector<unsigned char> cut = encodeReplay(replay);
   cut.resize(cut.size() - 3);
   Scratch scratch;
   const std::string s = std::to_string(replay.finalScore);
   const struct {
      std::vector<unsigned char> bytes;
      int status;
      std::string out, err;
   } cases[] = {
      {encodeReplay(replay), 0, "score " + s + " after 1234 ticks (0:12.34)\n", ""},
      {encodeReplay(drifting), 1, "", "tossaro: FILE: diverged at tick 800\n"},
      {cut, 1, "",
       "tossaro: FILE: cut short at byte " + std::to_string(cut.size()) + " of " +
          std::to_string(cut.size() + 3) + " (in the check values)\n"},
   };
   for (const auto &c : cases) {
      const std::string file = scratch.write("game.rpl", c.bytes);
      FILE *out = tmpfile(), *err = tmpfile();
      EXPECT_EQ(verifyReplayFile(file, out, err), c.status);
      const auto text = [](FILE *f) {
         std::string t(size_t(ftell(f)), '\0');
         rewind(f);
         t.resize(fread(&t[0], 1, t.size(), f));
         fclose(f);
         return t;
      };
      std::string said = text(err);
      if (said.find(file) != std::string::npos)
         said.replace(said.find(file), file.size(), "FILE");
      EXPECT_EQ(text(out), c.out);
      EXPECT_EQ(said, c.err);
   }
}

// Where the hands begin, as the README's table of the format places them:
// after the magic (4), the format version (2), the length (4), the game's
// version (1 + its length), the seed (4), the start time (8), the ticks
// (4), the score (4), the flags (1) and the actions (2).
size_t handsAt(const Replay &replay)
{
   return 4 + 2 + 4 + 1 + replay.gameVersion.size() + 4 + 8 + 4 + 4 + 1 + 2;
}

// Where the count of runs is: after the two hands (36 bytes each) and the
// name (1 + its length).
size_t runsAt(const Replay &replay)
{
   return handsAt(replay) + 2 * 36 + 1 + replay.name.size();
}

// A file is the README's table, its length stated in it: the fields, then
// for each run two bytes of actions and its ticks seven bits a byte (one
// byte up to 127, two up to 16,383, then three), and four bytes a check
// value. Keys held a second or more take three or four bytes a run.
TEST_F(Replays, AFileIsTheFormatsTableAndHeldKeysTakeThreeOrFourBytesARun)
{
   const Replay replay = scriptedGame(1234);
   const std::vector<unsigned char> file = encodeReplay(replay);
   EXPECT_EQ(file[6] | file[7] << 8 | file[8] << 16 | uint32_t(file[9]) << 24, file.size());
   Replay none = replay;
   none.ticks = 0;
   none.runs.clear();
   none.checks.clear();
   EXPECT_EQ(encodeReplay(none).size(), runsAt(none) + 4 + 4);
   const size_t runBytes = file.size() - runsAt(replay) - 4 - 4 - 4 * replay.checks.size();
   EXPECT_GE(runBytes, 3 * replay.runs.size());
   EXPECT_LE(runBytes, 4 * replay.runs.size());
   // One run more, and the check values its ticks add.
   for (const auto &[ticks, bytes] :
        {std::pair{1u, 1u}, {127u, 1u}, {128u, 2u}, {16383u, 2u}, {16384u, 3u}, {200000u, 3u}}) {
      Replay longer = replay;
      longer.runs.push_back({ActionSet(1u << NewGame), ticks});
      longer.ticks += ticks;
      longer.checks.resize(longer.ticks / Replay::kCheckEvery, 7);
      const std::vector<unsigned char> grown = encodeReplay(longer);
      EXPECT_EQ(grown.size(),
                file.size() + 2 + bytes + 4 * (longer.checks.size() - replay.checks.size()))
         << ticks;
      const ReplayReading back = decodeReplay(grown.data(), grown.size());
      ASSERT_EQ(back.fault, ReplayFault::None) << describeFault(back);
      EXPECT_EQ(back.replay.runs.back().ticks, ticks);
   }
}

TEST_F(Replays, EveryBadFileIsNamedWithWhereItGoesWrong)
{
   Replay replay = scriptedGame(250);
   const std::vector<unsigned char> good = encodeReplay(replay);
   const size_t hands = handsAt(replay), name = hands + 72, runs = runsAt(replay);
   const size_t checks = good.size() - 4 - 2 * 4;
   const size_t runsLeft = good.size() - runs - 4, checksLeft = good.size() - checks - 4;
   const auto with = [&](size_t at, std::vector<unsigned char> bytes) {
      std::vector<unsigned char> b = good;
      std::copy(bytes.begin(), bytes.end(), b.begin() + long(at));
      return b;
   };
   const auto cut = [&](size_t n) {
      return std::vector<unsigned char>(good.begin(), good.begin() + long(n));
   };
   const std::string of = " of " + std::to_string(good.size());
   std::vector<unsigned char> longer = good;
   longer.push_back(0);
   Replay fewer = replay;
   fewer.ticks = 199;
   Replay more = replay;
   more.checks.push_back(1);
   const struct {
      std::vector<unsigned char> bytes;
      ReplayFault fault;
      std::string said;
   } cases[] = {
      {{}, ReplayFault::NotAReplay, "not a replay file"},
      {with(0, {'G', 'I', 'F', '8'}), ReplayFault::NotAReplay, "not a replay file"},
      {with(4, {2, 0}), ReplayFault::OtherFormat,
       "a replay of format version 2; this game reads version 1"},
      {with(4, {0, 0}), ReplayFault::OtherFormat,
       "a replay of format version 0; this game reads version 1"},
      {cut(24), ReplayFault::CutShort, "cut short at byte 24" + of + " (in the header)"},
      {cut(hands + 40), ReplayFault::CutShort,
       "cut short at byte " + std::to_string(hands + 40) + of + " (in the hands)"},
      {cut(checks + 5), ReplayFault::CutShort,
       "cut short at byte " + std::to_string(checks + 5) + of + " (in the check values)"},
      {with(6, {0, 0, 0, 1}), ReplayFault::ClaimsMore,
       "claims more than it holds: 16777216 at byte 6 (in the header)"},
      {with(6, {std::uint8_t(hands), 0, 0, 0}), ReplayFault::ClaimsMore,
       "claims more than it holds: 4 at byte " + std::to_string(hands) + " (in the hands)"},
      {with(runs, {0, 0, 1, 0}), ReplayFault::ClaimsMore,
       "claims more than it holds: 65536 at byte " + std::to_string(runs) +
          " (in the runs of actions)"},
      // Counts that the bytes left could hold at one byte each, not at
      // the three a run takes at least, or the four of a check value.
      {with(runs, {uint8_t(runsLeft / 3 + 1), 0, 0, 0}), ReplayFault::ClaimsMore,
       "claims more than it holds: " + std::to_string(runsLeft / 3 + 1) + " at byte " +
          std::to_string(runs) + " (in the runs of actions)"},
      {with(checks, {uint8_t(checksLeft / 4 + 1), 0, 0, 0}), ReplayFault::ClaimsMore,
       "claims more than it holds: " + std::to_string(checksLeft / 4 + 1) + " at byte " +
          std::to_string(checks) + " (in the check values)"},
      {with(checks, {0xff, 0xff, 0xff, 0xff}), ReplayFault::ClaimsMore,
       "claims more than it holds: 4294967295 at byte " + std::to_string(checks) +
          " (in the check values)"},
      {with(name, {200}), ReplayFault::ClaimsMore,
       "claims more than it holds: 200 at byte " + std::to_string(name) + " (in the name)"},
      {with(runs + 6, {0xff, 0xff, 0xff, 0xff, 0xff, 0x7f}), ReplayFault::ClaimsMore,
       "claims more than it holds"},
      {encodeReplay(fewer), ReplayFault::RunsDisagree,
       "its runs of actions add up to 250 ticks, not the 199 it claims"},
      {encodeReplay(more), ReplayFault::ChecksDisagree,
       "holds 3 check values for 250 ticks (byte " + std::to_string(checks) + ")"},
      {with(hands - 3, {4}), ReplayFault::BadStart,
       "a start no game has at byte " + std::to_string(hands - 3) + " (in the header)"},
      {with(hands + 20, {0, 0, 0xc0, 0x7f}), ReplayFault::BadStart,
       "a start no game has at byte " + std::to_string(hands) + " (in the hands)"},
      {with(hands + 36 + 24, {7}), ReplayFault::BadStart,
       "a start no game has at byte " + std::to_string(hands + 36) + " (in the hands)"},
      {longer, ReplayFault::TrailingBytes,
       "1 byte after its end at byte " + std::to_string(good.size())},
   };
   for (const auto &c : cases) {
      const ReplayReading reading = decodeReplay(c.bytes.data(), c.bytes.size());
      EXPECT_EQ(reading.fault, c.fault) << c.said;
      EXPECT_EQ(describeFault(reading).substr(0, c.said.size()), c.said);
   }

   Scratch scratch;
   std::string problem;
   EXPECT_EQ(readReplayFile(scratch.path("none.rpl"), &problem).fault, ReplayFault::Unreadable);
   EXPECT_NE(problem.find("none.rpl"), std::string::npos) << problem;
   const std::string bad = scratch.write("bad.rpl", cut(24));
   EXPECT_EQ(readReplayFile(bad, &problem).fault, ReplayFault::CutShort);
   EXPECT_EQ(problem, bad + ": cut short at byte 24" + of + " (in the header)");
}

// Watching in the window: the replay plays a tick a tick, Space pauses,
// Right runs four a tick, Left goes back five seconds, Esc leaves once
// let go, and the game in play is as it was.
TEST_F(Replays, WatchingPlaysPausesRunsGoesBackAndLeavesTheGameAsItWas)
{
   const Replay replay = scriptedGame(1234);
   quietGame(5);
   const int32_t before = played().score;
   const float redX = played().balls[0].x;
   watchReplay(replay, "game.rpl", ScoreTable, false);
   ASSERT_EQ(screenState, Watching);
   const auto run = [&](int n, std::set<int> down) {
      scripted.down = std::move(down);
      for (int i = 0; i < n; i++) {
         if (inputDelay > 0)
            inputDelay--;
         updateWatching();
      }
   };
   run(100, {});
   EXPECT_EQ(watchedGame()->check(), replay.checks[0]);
   run(1, {KEY_SPACE});
   run(60, {});
   run(1, {KEY_RIGHT});
   run(1, {KEY_SPACE});
   run(24, {KEY_RIGHT});
   run(3, {});
   EXPECT_EQ(watchedGame()->check(), replay.checks[1]) << "paused at 100, then 4 a tick";
   run(125, {KEY_RIGHT});
   run(1, {KEY_SPACE});
   run(1, {KEY_LEFT});
   EXPECT_EQ(watchedGame()->check(), replay.checks[1]) << "back from 700 to 200";
   clear_bitmap(backBuffer);
   drawWatching();
   // The banner says whose game it is, its score, and where the replay
   // stands of its length.
   const int ink = makecol(kPanelInk);
   const std::string title = "Replay: " + std::to_string(replay.finalScore) + " points";
   EXPECT_GE(find_text(backBuffer, title, ink).y, 0) << title;
   const std::string where = "0:02.00 of " + playingTime(replay.ticks) + "  paused";
   EXPECT_GE(find_text(backBuffer, where, ink).y, 0) << where;
   run(1, {KEY_ESC});
   run(5, {KEY_ESC});
   EXPECT_EQ(screenState, Watching) << "Esc still held";
   run(1, {});
   EXPECT_EQ(screenState, ScoreTable);
   EXPECT_EQ(played().score, before);
   EXPECT_EQ(played().balls[0].x, redX);
}

// The table marks the rows with a replay, Up and Down choose among them,
// R watches the chosen one; the menu left alone plays the rows' replays in
// turn as silent demos that a key ends without acting in the menu.
TEST_F(Replays, TheTableWatchesItsReplaysAndTheQuietMenuShowsThemAsDemos)
{
   // Two games, told apart by their first targets.
   Replay games[2];
   int firstTargetX[2];
   for (int i = 0; i < 2; i++) {
      games[i] = scriptedGame(300, 14 + i);
      games[i].name = "Io";
      games[i].finalScore = 700 - 200 * i;
      firstTargetX[i] = Game(games[i].start).targets[0].x;
   }
   ASSERT_NE(firstTargetX[0], firstTargetX[1]);
   Scratch scratch;
   highscores.entries.assign(Highscores::kRows, {"Low", 1});
   highscores.entries[1] = {"Io", 700};
   highscores.entries[4] = {"Io", 500};
   highscores.file = scratch.path("hiscores.bin");
   startKeepingReplays();
   for (const Replay &game : games)
      ASSERT_EQ(const_cast<ReplayShelf *>(replayShelf())->keepRow(game), "");
   const auto tick = [&](void (*update)(), std::set<int> down) {
      scripted.down = std::move(down);
      if (inputDelay > 0)
         inputDelay--;
      update();
   };
   screenState = ScoreTable;
   chosenRow = -1;
   tick(updateReplayTable, {});
   EXPECT_EQ(chosenRow, 1);
   clear_bitmap(backBuffer);
   drawReplayTable();
   // A mark before the place of each row with a replay, on its line.
   const int white = makecol(255, 255, 255);
   for (int row = 0; row < 6; row++) {
      const TextPlace place = find_text(backBuffer, std::to_string(row + 1) + ".", white);
      ASSERT_GE(place.y, 0) << row;
      const int bottom = place.y + text_height(font) - 1;
      EXPECT_EQ(has_color(backBuffer, 0, place.y, place.x - 1, bottom, white), row == 1 || row == 4)
         << row;
   }
   tick(updateReplayTable, {KEY_DOWN});
   EXPECT_EQ(chosenRow, 4);
   tick(updateReplayTable, {KEY_DOWN});
   EXPECT_EQ(chosenRow, 4) << "moves again 15 ticks later";
   inputDelay = 0;
   tick(updateReplayTable, {KEY_R});
   ASSERT_EQ(screenState, Watching);
   EXPECT_EQ(watchedGame()->targets[0].x, firstTargetX[1]);
   EXPECT_TRUE(watchedGame()->heard);
   tick(updateWatching, {KEY_ESC});
   tick(updateWatching, {});
   EXPECT_EQ(screenState, ScoreTable);

   screenState = Menu;
   attractTicks = 50;
   heard.played.clear();
   for (int demo : {0, 1, 0}) {
      for (int i = 0; i < 50 && screenState == Menu; i++)
         tick(updateAttractMenu, {});
      ASSERT_EQ(screenState, Watching);
      EXPECT_EQ(watchedGame()->targets[0].x, firstTargetX[demo]);
      EXPECT_FALSE(watchedGame()->heard);
      // Long enough for the hands to throw.
      for (int i = 0; i < 150; i++)
         tick(updateWatching, {});
      tick(updateWatching, {KEY_P});
      tick(updateWatching, {KEY_P});
      EXPECT_EQ(screenState, Watching) << "P still held";
      tick(updateWatching, {});
      EXPECT_EQ(screenState, Menu);
   }
   // Three demos in which the hands threw, and not one cue heard.
   EXPECT_TRUE(heard.played.empty());
   // A program may end during a demo.
   for (int i = 0; i < 50 && screenState == Menu; i++)
      tick(updateAttractMenu, {});
   ASSERT_EQ(screenState, Watching);
   stopWatching();
   screenState = Menu;
   attractOn = false;
   for (int i = 0; i < 60; i++)
      tick(updateAttractMenu, {});
   EXPECT_EQ(screenState, Menu);
   attractOn = true;
   attractTicks = kAttractSeconds * kTicksPerSecond;
   stopKeepingReplays();
   highscores.file = Highscores::kFile;
}

}  // namespace
