// The high scores as a player meets them: the table screen from the menu,
// a game that ends in the name entry, and the file the game leaves behind.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "game_fixture.h"
#include "support/server_process.h"
#include "support/shell_command.h"

namespace {

struct Row {
   std::string name;
   int32_t score;
   bool operator==(const Row &other) const { return name == other.name && score == other.score; }
};

// The rows of hiscores.bin, read by its layout: ten records of a 100-byte
// name field ended by a zero byte and a little-endian score.
std::vector<Row> rows_in(const std::vector<unsigned char> &bytes)
{
   std::vector<Row> rows;
   for (size_t at = 0; at + 104 <= bytes.size(); at += 104) {
      const auto name = bytes.begin() + long(at);
      const auto end = std::find(name, name + 100, 0);
      uint32_t score = 0;
      for (int k = 3; k >= 0; k--)
         score = score << 8 | bytes[at + 100 + size_t(k)];
      rows.push_back({std::string(name, end), int32_t(score)});
   }
   return rows;
}

std::vector<unsigned char> file_of(const std::vector<Row> &rows)
{
   std::vector<unsigned char> bytes(104 * rows.size(), 0);
   for (size_t i = 0; i < rows.size(); i++) {
      std::copy(rows[i].name.begin(), rows[i].name.end(), bytes.begin() + long(104 * i));
      for (int k = 0; k < 4; k++)
         bytes[104 * i + 100 + size_t(k)] = uint8_t(uint32_t(rows[i].score) >> (8 * k));
   }
   return bytes;
}

const std::vector<Row> kDefaultRows = {
   {"Quorvath", 1000}, {"Pellim", 1000}, {"Vun", 1000},  {"Tresk", 1000}, {"Bolmi", 1000},
   {"Kap", 1000},      {"Yurla", 1000},  {"Fenn", 1000}, {"Wopsi", 1000}, {"Ilve", 1000},
};

// Low scores that any game beats, but for the first three rows.
const std::vector<Row> kLowRows = {
   {"High", 90000}, {"Higher", 80000}, {"Highest", 70000}, {"m1", -1}, {"m2", -2},
   {"m3", -3},      {"m4", -4},        {"m5", -5},         {"m6", -6}, {"m7", -7},
};

int white()
{
   return makecol16(255, 255, 255);
}

// The table screen showing the rows, those of `panels` on the name
// entry's panel.
BitmapPtr table_picture(const Art &art, const std::vector<Row> &rows,
                        const std::set<int> &panels = {})
{
   BitmapPtr picture(create_bitmap_ex(16, 640, 480));
   blit(art.texture.get(), picture.get(), 0, 0, 0, 0, 640, 480);
   blit(art.titleScores.get(), picture.get(), 0, 0, 0, 0, art.titleScores->w, art.titleScores->h);
   for (size_t i = 0; i < rows.size(); i++) {
      const int y = 120 + 30 * int(i);
      if (panels.count(int(i))) {
         rectfill(picture.get(), 144, y - 4, 480, y + 10, makecol16(137, 135, 95));
         rect(picture.get(), 144, y - 4, 480, y + 10, makecol16(69, 63, 48));
      }
      textprintf_ex(picture.get(), font, 120, y, white(), -1, "%i. ", int(i) + 1);
      textprintf_ex(picture.get(), font, 160, y, white(), -1, "%s", rows[i].name.c_str());
      textprintf_ex(picture.get(), font, 420, y, white(), -1, "%i", rows[i].score);
   }
   return picture;
}

// The notice under the table's rows while a new row waits for a save.
const char kUnsaved[] = "Not saved yet: tried again at exit";

void draw_notice(BITMAP *picture, const char *text)
{
   rectfill(picture, 144, 426, 480, 440, makecol16(137, 135, 95));
   rect(picture, 144, 426, 480, 440, makecol16(69, 63, 48));
   textprintf_ex(picture, font, 160, 430, white(), -1, "%s", text);
}

// Whether the notice shows, whatever the rows above it.
bool notice_shown(const Screenshot &shot, const Art &art, const char *text)
{
   BitmapPtr picture = table_picture(art, {});
   draw_notice(picture.get(), text);
   for (int y = 420; y < 446; y++) {
      for (int x = 140; x < 485; x++) {
         if (!shows(shot.at(x, y), getpixel(picture.get(), x, y)))
            return false;
      }
   }
   return true;
}

// Whether the name entry's panel over the row shows the name. Only the
// panel's left end and the name are compared: the caret blinks after it,
// and sparks fly across the rest.
bool panel_shows(const Screenshot &shot, const Art &art, int row, const std::string &name)
{
   BitmapPtr picture = table_picture(art, {});
   const int top = 30 * row + 116;
   rectfill(picture.get(), 144, top, 480, top + 14, makecol16(137, 135, 95));
   rect(picture.get(), 144, top, 480, top + 14, makecol16(69, 63, 48));
   textprintf_ex(picture.get(), font, 160, top + 4, white(), -1, "%s", name.c_str());
   for (int y = top; y <= top + 14; y++) {
      for (int x = 144; x < 160 + 8 * int(name.size()); x++) {
         if (!shows(shot.at(x, y), getpixel(picture.get(), x, y)))
            return false;
      }
   }
   return true;
}

// The game-over screen: its one white line on black.
bool game_over_shown(const Screenshot &shot)
{
   for (int y = 0; y < 480; y += 3) {
      for (int x = 0; x < 640; x += 3) {
         const bool line = x >= 200 && x < 200 + 8 * 25 && y >= 240 && y < 248;
         if (!in_frame_rate_text(x, y) && !line && shot.at(x, y) != 0)
            return false;
      }
   }
   return count_in(shot, 200, 240, 399, 247, 255, 255, 255) > 60;
}

// The row that `score` takes among `rows`: below every row it does not beat.
std::vector<Row> with_inserted(std::vector<Row> rows, const Row &row)
{
   auto at = std::find_if(rows.begin(), rows.end(), [&](const Row &r) { return r.score < row.score; });
   rows.insert(at, row);
   rows.pop_back();
   return rows;
}

class ScoresTest : public GameTest {
protected:
   // From the start to the menu, skipping the intro.
   void to_menu(GameRun &game)
   {
      ASSERT_NE(game.window(), 0u) << game.output();
      Screenshot shot;
      game.press("x");
      ASSERT_TRUE(await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 8, &shot))
         << "no menu";
      pause_ms(600);
   }

   // From the menu through a game left untouched to the name entry, which
   // opens on the row the game's score takes, offering the name `offered`.
   void play_to_name_entry(GameRun &game, int *row, const std::string &offered = "")
   {
      ASSERT_TRUE(press_until(game, "p", [&](const Screenshot &s) { return !cursor_on(s, art, 0); }));
      Screenshot shot;
      ASSERT_TRUE(await(game, game_over_shown, 90, &shot)) << "the game never ended";
      pause_ms(600);
      const auto entryShown = [&](const Screenshot &s) {
         for (*row = 0; *row < 10; (*row)++) {
            if (panel_shows(s, art, *row, offered))
               return true;
         }
         return false;
      };
      ASSERT_TRUE(press_until(game, "Return", entryShown)) << "no name entry";
      // The entry takes keys two seconds after it opens.
      pause_ms(2000);
   }

   // Enter stores the name typed until the table holds it.
   void store_name(GameRun &game, int row, const std::string &name)
   {
      const std::string table = folder + "/hiscores.bin";
      for (int attempt = 0; attempt < 3 && rows_in(read_file(table))[size_t(row)].name != name;
           attempt++) {
         game.press("Return", 120);
         pause_ms(1000);
      }
   }

   // Esc to the menu, Esc to leave; the game ends normally, having said
   // `said`.
   void leave(GameRun &game, const std::string &said = "")
   {
      EXPECT_TRUE(press_until(game, "Escape", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
      // The menu takes keys half a second after it opens.
      pause_ms(400);
      press_until_ended(game, "Escape", 100);
      EXPECT_EQ(game.wait(), 0);
      EXPECT_EQ(game.output(), said);
   }

   const Art art;
};

TEST_F(ScoresTest, NoFileShowsTheDefaultRowsAndLeavesThemInTheFile)
{
   GameRun game(server, kGame, folder);
   to_menu(game);
   const BitmapPtr expected = table_picture(art, kDefaultRows);
   Screenshot shot;
   ASSERT_TRUE(press_until(game, "h", [&](const Screenshot &s) {
      shot = s;
      return shows_picture(s, expected.get());
   })) << "no table of the default rows";
   shot.save_ppm(std::string(TOSSARO_BINARY_DIR) + "/scores.ppm");
   leave(game);
   EXPECT_EQ(left_behind(), std::set<std::string>{"hiscores.bin"});
   const std::vector<unsigned char> bytes = read_file(folder + "/hiscores.bin");
   EXPECT_EQ(bytes.size(), 1040u);
   EXPECT_EQ(rows_in(bytes), kDefaultRows);
}

TEST_F(ScoresTest, ANameEnteredWhileAnotherCopyHoldsTheTableIsShownSaidAndSavedAtExit)
{
   const std::string file = folder + "/hiscores.bin";
   scratch.write("game/hiscores.bin", file_of(kLowRows));
   GameRun game(server, kGame, folder);
   to_menu(game);
   int row = -1;
   play_to_name_entry(game, &row);

   // Typed keys wait in the buffer, so one press each is enough: "-" is
   // refused, Backspace takes the "x" back.
   const std::pair<std::string, std::string> typing[] = {
      {"j", "j"}, {"o", "jo"}, {"minus", "jo"}, {"x", "jox"}, {"BackSpace", "jo"}, {"e", "joe"}};
   for (const auto &[key, name] : typing) {
      game.press(key, 60);
      Screenshot shot;
      EXPECT_TRUE(await(game, [&](const Screenshot &s) { return panel_shows(s, art, row, name); }, 5,
                        &shot))
         << "after " << key;
      pause_ms(200);
   }
   // Another copy of the game holds the table's folder: Enter stores the
   // row and shows the table at once, "Saving..." under it while the save
   // tries the lock at each tick; three seconds later it says that the
   // row is not saved.
   const int lock = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
   ASSERT_EQ(flock(lock, LOCK_EX), 0);
   EXPECT_TRUE(press_until(game, "Return", [&](const Screenshot &s) {
      return notice_shown(s, art, "Saving...");
   })) << "no table while the lock is held";
   const std::string said =
      "tossaro: hiscores.bin: another copy of the game kept the table locked; not saved\n";
   for (int waited = 0; waited < 60 && game.output() != said; waited++)
      pause_ms(100);
   EXPECT_EQ(game.output(), said);
   Screenshot noticed;
   EXPECT_TRUE(await(
      game, [&](const Screenshot &s) { return notice_shown(s, art, kUnsaved); }, 3, &noticed))
      << "no notice under the table";
   EXPECT_EQ(rows_in(read_file(file)), kLowRows);
   close(lock);

   // The save at exit has the lock, and the row reaches the file.
   leave(game, said);
   const std::vector<Row> rows = rows_in(read_file(file));
   const auto joe = std::find_if(rows.begin(), rows.end(), [](const Row &r) { return r.name == "joe"; });
   ASSERT_NE(joe, rows.end()) << "the name did not reach the file";
   EXPECT_EQ(joe - rows.begin(), row);
   const std::vector<Row> expected = with_inserted(kLowRows, *joe);
   EXPECT_EQ(rows, expected);
   const BitmapPtr picture = table_picture(art, expected);
   draw_notice(picture.get(), kUnsaved);
   // The game just played has its replay, marked and chosen.
   draw_replay_marks(picture.get(), {row}, row);
   EXPECT_TRUE(shows_picture(noticed, picture.get())) << "the table does not show the new row";
}

TEST_F(ScoresTest, AnAbandonedEntryLeavesTheFileAsItWas)
{
   const std::vector<unsigned char> before = file_of(kLowRows);
   scratch.write("game/hiscores.bin", before);
   GameRun game(server, kGame, folder);
   to_menu(game);
   int row = -1;
   play_to_name_entry(game, &row);
   leave(game);
   EXPECT_EQ(read_file(folder + "/hiscores.bin"), before);
}

TEST_F(ScoresTest, AFolderAtTheTablesNameIsSaidOnceAndLeftAlone)
{
   // A folder stands at the table's name: no table, said at the start; a
   // run that stored no name has nothing more to say.
   std::filesystem::create_directory(folder + "/hiscores.bin");
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();
   pause_ms(700);
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "tossaro: hiscores.bin: not read: it is a folder, not a file, so it "
                            "is no table: this run's scores are kept in memory only\n");
   EXPECT_EQ(left_behind(), std::set<std::string>{"hiscores.bin"});
}

using ScoresUnderValgrind = ScoresTest;

// Names only a file can hold, drawn by the table screen and written back:
// valgrind sees every read, the library's own included.
TEST_F(ScoresUnderValgrind, OddNamesAreDrawnWithoutAReadPastThemAndKeptInTheFile)
{
   std::vector<Row> rows = kDefaultRows;
   rows[0].name = std::string(24, 'n') + "\xF0";
   rows[1].name = std::string(24, 'n') + "\xC3";
   rows[2].name = std::string(100, 'M');
   std::vector<unsigned char> bytes = file_of(rows);
   // The hundred-byte name fills its field: no zero byte ends it.
   std::fill_n(bytes.begin() + 2 * 104, 100, 'M');
   scratch.write("game/hiscores.bin", bytes);

   const std::string log = scratch.path("valgrind.log");
   // Valgrind runs one thread at a time: frames drawn without a pause
   // would leave the library's input thread no turn to take the keys.
   GameRun game(server, kGame, folder, {"valgrind", "--error-exitcode=99", "--log-file=" + log},
                {"--max-fps", "30"});
   ASSERT_NE(game.window(60), 0u) << game.output();
   Screenshot shot;
   ASSERT_TRUE(await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 60, &shot));
   pause_ms(1000);
   // Held long enough for a frame valgrind slows down to see it.
   const BitmapPtr table = table_picture(art, rows);
   bool shown = false;
   for (int attempt = 0; attempt < 4 && !shown; attempt++) {
      game.press("h", 600);
      shown = await(game, [&](const Screenshot &s) { return shows_picture(s, table.get()); }, 10, &shot);
   }
   EXPECT_TRUE(shown) << "no table of the odd names";
   game.requestClose();
   EXPECT_EQ(game.wait(60), 0) << read_text(log);
   const std::string report = read_text(log);
   EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
   rows[2].name.pop_back();
   EXPECT_EQ(rows_in(read_file(folder + "/hiscores.bin")), rows);
}

// A game played to its end is recorded: its replay, found beside the
// table, plays without a display to the row's score; the table marks the
// row, R watches it (run fast with Right) and comes back; and the menu
// left alone shows a demo, which a key ends without acting in the menu.
// The demo touches neither the table nor the replays.
TEST_F(ScoresTest, AGameIsRecordedWatchedFromTheTableAndShownAsTheMenusDemo)
{
   scratch.write("game/hiscores.bin", file_of(kLowRows));
   GameRun game(server, kGame, folder, {}, {}, {"TOSSARO_ATTRACT_SECONDS=3"});
   to_menu(game);
   int row = -1;
   play_to_name_entry(game, &row);
   for (const auto &[key, name] : {std::pair<std::string, std::string>{"i", "i"}, {"o", "io"}}) {
      game.press(key, 60);
      Screenshot shot;
      ASSERT_TRUE(await(
         game, [&](const Screenshot &s) { return panel_shows(s, art, row, name); }, 5, &shot));
      pause_ms(200);
   }
   // The rest typed fast, 15 ms from key to key: none is lost.
   const std::string name = "io Quickfingers Jo";
   game.type(" Quickfingers Jo", 15);
   const std::string table = folder + "/hiscores.bin";
   store_name(game, row, name);
   const std::vector<Row> rows = rows_in(read_file(table));
   ASSERT_EQ(rows[size_t(row)].name, name);
   const BitmapPtr marked = table_picture(art, rows);
   draw_replay_marks(marked.get(), {row}, row);
   Screenshot shot;
   EXPECT_TRUE(await(
      game, [&](const Screenshot &s) { return shows_picture(s, marked.get()); }, 5, &shot))
      << "the row's replay is not marked";

   // Its file, beside last.rpl (the same game, named too), plays without a
   // display to the row's score.
   std::set<std::string> replays;
   for (const auto &entry : std::filesystem::directory_iterator(folder + "/replays"))
      replays.insert(entry.path().filename().string());
   ASSERT_EQ(replays.size(), 2u);
   ASSERT_EQ(replays.count("last.rpl"), 1u);
   const std::string mine = *std::find_if(replays.begin(), replays.end(),
                                          [](const std::string &f) { return f != "last.rpl"; });
   EXPECT_EQ(read_file(folder + "/replays/" + mine), read_file(folder + "/replays/last.rpl"));
   int status = -1;
   const std::string said =
      run_without_display("--replay replays/" + mine + " --verify", &status, folder);
   EXPECT_EQ(status, 0) << said;
   EXPECT_EQ(said.rfind("score " + std::to_string(rows[size_t(row)].score) + " after ", 0), 0u)
      << said;

   // R watches it, Right runs it fast, and the table shows again at its end.
   const auto banner = [](const Screenshot &s) {
      return count_in(s, 171, 27, 469, 57, 137, 135, 95) > 5000;
   };
   ASSERT_TRUE(press_until(game, "r", banner)) << "no replay";
   game.hold("Right");
   EXPECT_TRUE(await(
      game, [&](const Screenshot &s) { return shows_picture(s, marked.get()); }, 20, &shot))
      << "the table did not show again";
   game.release("Right");

   // To the menu: left alone for three seconds here, it shows the demo.
   const std::vector<unsigned char> tableBefore = read_file(table);
   const std::vector<unsigned char> replayBefore = read_file(folder + "/replays/" + mine);
   EXPECT_TRUE(
      press_until(game, "Escape", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
   ASSERT_TRUE(await(game, banner, 8, &shot)) << "no demo";
   EXPECT_TRUE(field_shown(shot));
   // P ends it, and does not start a game.
   game.press("p", 300);
   EXPECT_TRUE(await(
      game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 3, &shot));
   pause_ms(1000);
   shot = game.screenshot();
   EXPECT_TRUE(cursor_on(shot, art, 0) && !field_shown(shot)) << "the key acted in the menu";
   press_until_ended(game, "Escape", 100);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
   EXPECT_EQ(read_file(table), tableBefore);
   EXPECT_EQ(read_file(folder + "/replays/" + mine), replayBefore);
}

#ifdef TOSSARO_SERVER
TEST_F(ScoresTest, StoredGamesReachTheLeaderboardOfflineOnesAtTheNextStart)
{
   const std::vector<std::string> database = {"--listen", "127.0.0.1:0", "--database",
                                              "sqlite:" + scratch.path("leaderboard.db"),
                                              "--game", "/bin/false"};
   const auto board = [](int port) {
      std::string said;
      run("curl -s http://127.0.0.1:" + std::to_string(port) + "/api/v1/scores", &said);
      return said;
   };
   const auto startGame = [&](int port) {
      return std::make_unique<GameRun>(
         server, kGame, folder, std::vector<std::string>{},
         std::vector<std::string>{"--leaderboard", "http://127.0.0.1:" + std::to_string(port)});
   };
   // A game and its name: the board has its row, and the table says where.
   scratch.write("game/hiscores.bin", file_of(kLowRows));
   auto leaderboard = std::make_unique<ServerProcess>(TOSSARO_SERVER, database, folder);
   ASSERT_NE(leaderboard->port(), 0) << leaderboard->listening();
   auto game = startGame(leaderboard->port());
   to_menu(*game);
   int row = -1;
   play_to_name_entry(*game, &row);
   game->press("i", 60);
   pause_ms(200);
   store_name(*game, row, "i");
   const std::vector<Row> rows = rows_in(read_file(folder + "/hiscores.bin"));
   ASSERT_EQ(rows[size_t(row)].name, "i");
   // last.rpl, named, is taken as it is.
   std::string said;
   EXPECT_EQ(run(quoted(kGame) + " --leaderboard http://127.0.0.1:" +
                    std::to_string(leaderboard->port()) + " --submit " +
                    quoted(folder + "/replays/last.rpl"),
                 &said),
             0)
      << said;
   EXPECT_EQ(said.rfind("rank 1 of 1 (", 0), 0u) << said;
   Screenshot shot;
   EXPECT_TRUE(await(
      *game, [&](const Screenshot &s) { return notice_shown(s, art, "Leaderboard: 1st of 1"); },
      10, &shot))
      << "no rank shown";
   EXPECT_NE(board(leaderboard->port())
                .find("\"name\":\"i\",\"score\":" + std::to_string(rows[size_t(row)].score)),
             std::string::npos)
      << board(leaderboard->port());

   // L shows the board, this table's game on the name entry's panel, and
   // L comes back to the table.
   const BitmapPtr best = table_picture(art, {rows[size_t(row)]}, {0});
   textout_centre_ex(best.get(), font, "Leaderboard: 1 game", 320, 98, white(), -1);
   textout_ex(best.get(), font, "L or Esc: back to your table", 160, 456, white(), -1);
   EXPECT_TRUE(press_until(*game, "l", [&](const Screenshot &s) {
      return shows_picture(s, best.get());
   })) << "no board";
   game->screenshot().save_ppm(std::string(TOSSARO_BINARY_DIR) + "/leaderboard.ppm");
   // The table's frame round the row of the replay chosen, its left side.
   const int top = 120 + 30 * row - 4;
   EXPECT_TRUE(press_until(*game, "l", [&](const Screenshot &s) {
      return count_in(s, 96, top, 96, top + 15, 255, 255, 255) == 16;
   })) << "not back to the table";

   // The leaderboard gone, the next game waits in the outbox.
   EXPECT_EQ(leaderboard->stop(), 0);
   EXPECT_TRUE(press_until(*game, "Escape", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
   pause_ms(400);
   // The entry offers the last name: another takes its place.
   play_to_name_entry(*game, &row, "i");
   game->press("BackSpace", 60);
   game->press("o", 60);
   ASSERT_TRUE(await(
      *game, [&](const Screenshot &s) { return panel_shows(s, art, row, "o"); }, 5, &shot));
   store_name(*game, row, "o");
   EXPECT_TRUE(await(
      *game,
      [&](const Screenshot &s) { return notice_shown(s, art, "Leaderboard: offline, sent later"); },
      10, &shot))
      << "no offline notice";
   const int second = rows_in(read_file(folder + "/hiscores.bin"))[size_t(row)].score;
   EXPECT_TRUE(press_until(*game, "Escape", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
   pause_ms(400);
   press_until_ended(*game, "Escape", 100);
   EXPECT_EQ(game->wait(), 0);
   EXPECT_NE(game->output().find("the game is sent later"), std::string::npos) << game->output();
   const auto waiting = [&] {
      return std::distance(std::filesystem::directory_iterator(folder + "/replays/outbox"),
                           std::filesystem::directory_iterator());
   };
   EXPECT_EQ(waiting(), 1);

   // Back again: the next start sends it.
   leaderboard = std::make_unique<ServerProcess>(TOSSARO_SERVER, database, folder);
   game = startGame(leaderboard->port());
   ASSERT_NE(game->window(), 0u) << game->output();
   for (int tries = 0; tries < 100 && waiting() > 0; tries++)
      pause_ms(200);
   EXPECT_EQ(waiting(), 0);
   EXPECT_NE(board(leaderboard->port())
                .find("\"name\":\"o\",\"score\":" + std::to_string(second)),
             std::string::npos)
      << board(leaderboard->port());
   game->requestClose();
   EXPECT_EQ(game->wait(), 0);
}
#endif

}  // namespace
