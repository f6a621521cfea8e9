// The screens after a game: game over, the name entry and the table.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "app/app_fixture.h"
#include "scores/highscores.h"
#include "scores_test_util.h"
#include "screens/game_over.h"
#include "screens/name_entry.h"
#include "screens/playfield.h"
#include "screens/score_table.h"
#include "shell/assets.h"
#include "shell/picture.h"
#include "shell/screen_state.h"
#include "support/scratch.h"

namespace {

class ScoreScreens : public AppTest {
protected:
   void SetUp() override
   {
      AppTest::SetUp();
      highscores.entries = default_rows();
      highscores.pendingRow = 0;
      playerName.clear();
      playedGame().sparks.clear();
      playedGame().score = 0;
   }

   // A name-entry tick with the delay run out and these keys typed.
   void typeKeys(std::initializer_list<int> typed, std::set<int> down = {})
   {
      scripted.buffer = typed;
      scripted.down = std::move(down);
      screenState = NameEntry;
      inputDelay = 0;
      updateNameEntry();
   }
};

TEST_F(ScoreScreens, GameOverIsOneLineOnBlack)
{
   drawGameOver();
   const int white = makecol(255, 255, 255);
   EXPECT_TRUE(has_color(backBuffer, 200, 240, 207, 247, white));  // G
   EXPECT_FALSE(has_color(backBuffer, 272, 240, 343, 247, white));  // the eleven blanks
   EXPECT_TRUE(has_color(backBuffer, 392, 240, 399, 247, white));  // R
   int lit = 0;
   for (int y = 0; y < 480; y++) {
      for (int x = 0; x < 640; x++)
         lit += getpixel(backBuffer, x, y) != 0 && !(x >= 200 && x < 400 && y >= 240 && y < 248);
   }
   EXPECT_EQ(lit, 0);
}

TEST_F(ScoreScreens, GameOverKeysAskTheTable)
{
   const struct {
      std::set<int> down;
      int delay, points;
      int state, delayAfter, row;
   } cases[] = {
      {{KEY_ENTER}, 0, 1001, NameEntry, 200, 0}, {{KEY_SPACE}, 0, 5000, NameEntry, 200, 0},
      {{KEY_ESC}, 0, 1000, Menu, 50, -1},        {{KEY_ENTER}, 0, 0, Menu, 50, -1},
      {{KEY_ENTER}, 2, 5000, GameOver, 2, 0},    {{KEY_P, KEY_H}, 0, 5000, GameOver, 0, 0},
   };
   for (const auto &c : cases) {
      SCOPED_TRACE(c.points);
      highscores.pendingRow = 0;
      scripted.down = c.down;
      scripted.buffer = {' '};
      screenState = GameOver;
      inputDelay = c.delay;
      playedGame().score = c.points;
      heard.played.clear();
      updateGameOver();
      EXPECT_EQ(screenState, c.state);
      EXPECT_EQ(heard.of(Cue::NameEntryOpened).size(), c.state == NameEntry ? 1u : 0u);
      EXPECT_EQ(inputDelay, c.delayAfter);
      EXPECT_EQ(highscores.pendingRow, c.row);
      // What was typed here was for this screen: the name entry starts
      // with none of it.
      EXPECT_EQ(scripted.buffer.size(), c.state == NameEntry ? 0u : 1u);
   }
}

TEST_F(ScoreScreens, OnlyLettersDigitsBlankAndFullStopAreTyped)
{
   for (int c = 0; c < 256; c++) {
      const bool expected = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == ' ' || c == '.';
      EXPECT_EQ(isNameCharacter(c), expected) << c;
   }
   // The low byte of a key is its character; the scancode above it is not.
   typeKeys({KEY_A << 8 | 'a'});
   typeKeys({KEY_MINUS << 8 | '-'});
   typeKeys({KEY_UP << 8});
   typeKeys({KEY_STOP << 8 | '.'});
   EXPECT_EQ(playerName, "a.");
   typeKeys({KEY_BACKSPACE << 8 | 8});
   typeKeys({KEY_BACKSPACE << 8 | 8});
   typeKeys({KEY_BACKSPACE << 8 | 8});
   EXPECT_EQ(playerName, "");
}

TEST_F(ScoreScreens, TheNameStopsAtTwentySixAndKeysTypedAheadAreKept)
{
   playerName = std::string(25, 'x');
   typeKeys({'y', 'z', 'w'});
   EXPECT_EQ(playerName, std::string(25, 'x') + "y") << "one key a tick";
   EXPECT_EQ(scripted.buffer.size(), 2u);
   updateNameEntry();
   updateNameEntry();
   EXPECT_EQ(playerName, std::string(25, 'x') + "y") << "the 27th and 28th are refused";
   EXPECT_TRUE(scripted.buffer.empty());
   typeKeys({8});
   EXPECT_EQ(playerName, std::string(25, 'x'));

   // While the delay runs, typed keys wait in the buffer; a name typed
   // fast and ended with Enter at once is stored whole.
   playerName.clear();
   playedGame().score = 5000;
   highscores.rankOf(playedGame().score);
   scripted.buffer = {'J', 'o', 13, 'x'};
   screenState = NameEntry;
   inputDelay = 3;
   for (int tick = 0; tick < 10; tick++) {
      if (inputDelay > 0)
         inputDelay--;
      updateNameEntry();
   }
   EXPECT_EQ(screenState, ScoreTable);
   EXPECT_EQ(highscores.entries[0].name, "Jo");
}

TEST_F(ScoreScreens, TheKeyThatLeftGameOverIsNotTheNamesFirst)
{
   playedGame().score = 2000;
   for (const auto &[key, character] :
        {std::make_pair(KEY_SPACE, ' '), std::make_pair(KEY_ENTER, '\r')}) {
      playerName = "Ann";
      scripted.down = {key};
      scripted.buffer = {key << 8 | character};
      screenState = GameOver;
      inputDelay = 0;
      updateGameOver();
      ASSERT_EQ(screenState, NameEntry);
      scripted.down.clear();
      for (int tick = 0; tick < 300; tick++) {
         if (inputDelay > 0)
            inputDelay--;
         updateNameEntry();
      }
      EXPECT_EQ(screenState, NameEntry) << key;
      EXPECT_EQ(playerName, "Ann") << key;
   }
}

TEST_F(ScoreScreens, EnterStoresTheRowAndSavesItEscAbandons)
{
   Scratch scratch;
   const std::filesystem::path saved = std::filesystem::current_path();
   std::filesystem::current_path(scratch.path(""));
   playedGame().score = 1500;
   highscores.rankOf(playedGame().score);

   // Enter does nothing without a name, and acts only with a key typed.
   typeKeys({13}, {KEY_ENTER});
   EXPECT_EQ(screenState, NameEntry);
   playerName = "Ada";
   typeKeys({}, {KEY_ENTER});
   EXPECT_EQ(screenState, NameEntry);

   typeKeys({13}, {KEY_ENTER});
   EXPECT_EQ(screenState, ScoreTable);
   EXPECT_EQ(inputDelay, 50);
   EXPECT_EQ(highscores.entries[0], (HighscoreEntry{"Ada", 1500}));
   EXPECT_EQ(heard.of(Cue::NameStored).size(), 1u);
   Highscores file;
   file.load();
   EXPECT_EQ(file.entries, highscores.entries);
   EXPECT_EQ(playerName, "Ada");

   playedGame().score = 1200;
   highscores.rankOf(playedGame().score);
   typeKeys({'a', 13}, {KEY_ESC});
   EXPECT_EQ(screenState, Menu);
   EXPECT_EQ(inputDelay, 20);
   EXPECT_TRUE(scripted.buffer.empty()) << "what was typed goes with the entry";
   file.load();
   EXPECT_EQ(file.entries, highscores.entries);
   EXPECT_EQ(highscores.entries[1].name, "Quorvath");

   // A save that fails is said at once, and the table shows a notice
   // until a save succeeds.
   const int khaki = makecol(137, 135, 95);
   drawScoreTable();
   EXPECT_FALSE(has_color(backBuffer, 145, 427, 479, 439, khaki));
   std::filesystem::create_directory("blocked");
   highscores.file = "blocked";
   highscores.rankOf(playedGame().score);
   testing::internal::CaptureStderr();
   typeKeys({13}, {KEY_ENTER});
   EXPECT_EQ(testing::internal::GetCapturedStderr(),
             "tossaro: blocked: not read: it is a folder, not a file; not saved\n");
   EXPECT_EQ(screenState, ScoreTable);
   drawScoreTable();
   EXPECT_EQ(getpixel(backBuffer, 145, 427), khaki);
   EXPECT_TRUE(has_color(backBuffer, 160, 430, 431, 437, makecol(255, 255, 255)));
   highscores.file = Highscores::kFile;
   EXPECT_EQ(highscores.save(), "");
   file.load();
   EXPECT_EQ(file.entries[1], (HighscoreEntry{"Ada", 1200}));
   drawScoreTable();
   EXPECT_FALSE(has_color(backBuffer, 145, 427, 479, 439, khaki));

   // While another copy holds the lock, the table shows at once, saying
   // "Saving...", and each tick tries the lock without waiting: the row
   // is saved the tick it is free, or, after as many ticks as a save at
   // exit waits, said not to be.
   const int white = makecol(255, 255, 255);
   const auto noticeSays = [&](const char *text) {
      drawScoreTable();
      BITMAP *expected = create_bitmap(640, 480);
      blit(backBuffer, expected, 0, 0, 0, 0, 640, 480);
      rectfill(expected, 145, 427, 479, 439, khaki);
      textprintf_ex(expected, font, 160, 430, white, -1, "%s", text);
      bool same = true;
      for (int y = 427; y <= 439; y++) {
         for (int x = 145; x <= 479; x++)
            same = same && getpixel(expected, x, y) == getpixel(backBuffer, x, y);
      }
      destroy_bitmap(expected);
      return same;
   };
   highscores.lockWait = 0.05;
   for (const int32_t points : {1300, 1250}) {
      const int lock = open(".", O_RDONLY | O_DIRECTORY);
      ASSERT_EQ(flock(lock, LOCK_EX), 0);
      playedGame().score = points;
      highscores.rankOf(points);
      testing::internal::CaptureStderr();
      typeKeys({13}, {KEY_ENTER});
      EXPECT_EQ(screenState, ScoreTable);
      for (int tick = 1; tick < (points == 1300 ? 3 : 5); tick++) {
         EXPECT_TRUE(noticeSays("Saving...")) << tick;
         continueSavingTable();
      }
      if (points == 1300)
         close(lock);
      continueSavingTable();
      EXPECT_FALSE(savingTable());
      file.load();
      if (points == 1300) {
         EXPECT_EQ(file.entries, highscores.entries);
         EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
         continue;
      }
      EXPECT_NE(file.entries, highscores.entries);
      EXPECT_EQ(testing::internal::GetCapturedStderr(),
                "tossaro: hiscores.bin: another copy of the game kept the table locked; not "
                "saved\n");
      EXPECT_TRUE(noticeSays("Not saved yet: tried again at exit"));
      close(lock);
   }
   EXPECT_EQ(highscores.save(), "");
   highscores.lockWait = 3;

   // A table with no file saves nothing and says so only at exit; the
   // notice promises no save.
   highscores.file = "";
   highscores.rankOf(playedGame().score);
   testing::internal::CaptureStderr();
   typeKeys({13}, {KEY_ENTER});
   EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
   drawScoreTable();
   EXPECT_EQ(getpixel(backBuffer, 145, 427), khaki);
   EXPECT_EQ(highscores.save(), "the high scores have no file, so the names stored in this run "
                                "are not kept");
   highscores.file = Highscores::kFile;
   highscores.load();
   std::filesystem::current_path(saved);
}

// The ten rows in order from the top, evenly spaced with room between
// them; each row's place, name and score on one line, in that order from
// the left, the names in one column.
TEST_F(ScoreScreens, TheTableShowsItsRowsInOrderEvenlySpacedEachOnALine)
{
   for (size_t i = 0; i < highscores.entries.size(); i++)
      highscores.entries[i].score = 5000 - 300 * int(i);
   drawTable(highscores);
   const int white = makecol(255, 255, 255);
   std::vector<TextPlace> names;
   for (size_t i = 0; i < highscores.entries.size(); i++) {
      SCOPED_TRACE(i);
      const TextPlace place = find_text(backBuffer, std::to_string(i + 1) + ".", white);
      const TextPlace name = find_text(backBuffer, highscores.entries[i].name, white);
      const TextPlace points =
         find_text(backBuffer, std::to_string(highscores.entries[i].score), white);
      ASSERT_GE(name.y, 0);
      EXPECT_EQ(place.y, name.y);
      EXPECT_EQ(points.y, name.y);
      EXPECT_LT(place.x, name.x);
      EXPECT_LT(name.x, points.x);
      EXPECT_EQ(name.x, names.empty() ? name.x : names[0].x);
      names.push_back(name);
   }
   ASSERT_EQ(names.size(), size_t(Highscores::kRows));
   const int spacing = names[1].y - names[0].y;
   EXPECT_GT(spacing, text_height(font));
   for (size_t i = 1; i < names.size(); i++)
      EXPECT_EQ(names[i].y - names[i - 1].y, spacing) << i;
}

TEST_F(ScoreScreens, SparksAppearInPairsBesideThePanelAtAnyDelay)
{
   highscores.pendingRow = 4;
   // The row entered, and the ends of its line, as the table shows them.
   drawTable(highscores);
   const int white = makecol(255, 255, 255);
   const TextPlace row = find_text(backBuffer, "5.", white);
   const TextPlace points = find_text(backBuffer, "1000", white);
   ASSERT_GE(row.y, 0);
   const int lineEnd = points.x + text_length(font, "1000");
   int pairs = 0;
   for (int tick = 0; tick < 100; tick++) {
      const size_t before = playedGame().sparks.size();
      inputDelay = 150;
      updateNameEntry();
      ASSERT_TRUE(playedGame().sparks.size() == before || playedGame().sparks.size() == before + 2);
      if (playedGame().sparks.size() == before + 2) {
         pairs++;
         EXPECT_LT(playedGame().sparks[before].drawX, row.x);
         EXPECT_GT(playedGame().sparks[before + 1].drawX, lineEnd);
         for (const Particle &spark :
              {playedGame().sparks[before], playedGame().sparks[before + 1]})
            EXPECT_LT(std::abs(spark.drawY - row.y), text_height(font));
      }
   }
   // About one tick in seven.
   EXPECT_GT(pairs, 5);
   EXPECT_LT(pairs, 30);
   // They fall and fade as the ticks go.
   ASSERT_FALSE(playedGame().sparks.empty());
   const Particle first = playedGame().sparks.front();
   updateNameEntry();
   EXPECT_EQ(playedGame().sparks.front().alpha, first.alpha - 1);
   EXPECT_GT(playedGame().sparks.front().vy, first.vy);
}

TEST_F(ScoreScreens, TheNameEntryDrawsItsPanelOverTheRowAndOddNamesSafely)
{
   highscores.entries[0].name = kHeapStem + "\xF0";
   highscores.entries[1].name = kHeapStem + "\xC3";
   highscores.entries[2].name = std::string(100, 'M');
   highscores.entries[3].score = 1234;
   highscores.pendingRow = 3;
   // The row entered and those around it, as the table shows them.
   drawTable(highscores);
   const int white = makecol(255, 255, 255), line = text_height(font);
   const TextPlace above = find_text(backBuffer, "3.", white),
                   place = find_text(backBuffer, "4.", white),
                   below = find_text(backBuffer, "5.", white);
   const TextPlace name = find_text(backBuffer, highscores.entries[3].name, white),
                   points = find_text(backBuffer, "1234", white);
   ASSERT_GE(name.y, 0);
   ASSERT_GE(points.y, 0);
   playerName = "Ada";
   playedGame().score = 5678;
   GameRandom numbers;
   spawnSparks(playedGame().sparks, numbers, 1, 320, 400);
   drawNameEntry();
   // The name typed in white where the row's name was, the place number
   // still showing, the old name and score hidden by the panel, which has
   // a border of its own between the lines around it.
   const TextPlace typed = find_text(backBuffer, "Ada", white);
   EXPECT_EQ(typed.x, name.x);
   EXPECT_EQ(typed.y, name.y);
   EXPECT_EQ(find_text(backBuffer, "4.", white).y, place.y);
   EXPECT_EQ(find_text(backBuffer, highscores.entries[3].name, white).y, -1);
   EXPECT_EQ(find_text(backBuffer, "1234", white).y, -1);
   // The score being entered at the score's place, and nothing else on the
   // line but a caret after the name, shown half of each second.
   const TextPlace entered = find_text(backBuffer, "5678", white);
   EXPECT_EQ(entered.x, points.x);
   EXPECT_EQ(entered.y, points.y);
   const int lineEnd = points.x + text_length(font, "1234") - 1;
   const int caretX = name.x + text_length(font, "Ada");
   EXPECT_FALSE(has_color(backBuffer, caretX + text_length(font, "_"), name.y, points.x - 1,
                          name.y + line - 1, white));
   const bool caret = has_color(backBuffer, caretX, name.y, caretX + 7, name.y + line - 1, white);
   EXPECT_EQ(getpixel(backBuffer, name.x - 1, name.y), makecol(kPanelFace));
   EXPECT_EQ(getpixel(backBuffer, lineEnd, name.y), makecol(kPanelFace));
   const int ink = makecol(kPanelInk);
   EXPECT_TRUE(has_color(backBuffer, name.x, above.y + line, name.x, name.y - 1, ink));
   EXPECT_TRUE(has_color(backBuffer, name.x, name.y + line, name.x, below.y - 1, ink));
   // The odd names are drawn, their rows in place.
   EXPECT_EQ(find_text(backBuffer, kHeapStem, white).y, find_text(backBuffer, "1.", white).y);
   EXPECT_NE(getpixel(backBuffer, 312, 392), textureColor());
   inputDelay = 1000;
   for (int tick = 0; tick < 50; tick++)
      updateNameEntry();
   drawNameEntry();
   EXPECT_NE(has_color(backBuffer, caretX, name.y, caretX + 7, name.y + line - 1, white), caret)
      << "the caret blinks";
   inputDelay = 0;
}

TEST_F(ScoreScreens, TheTableGoesBackToTheMenuOnEnterEscOrSpace)
{
   const struct {
      std::set<int> down;
      int delay;
      int state;
   } cases[] = {{{KEY_ENTER}, 0, Menu},
                {{KEY_ESC}, 0, Menu},
                {{KEY_SPACE}, 0, Menu},
                {{KEY_P, KEY_H}, 0, ScoreTable},
                {{KEY_ENTER}, 1, ScoreTable}};
   for (const auto &c : cases) {
      scripted.down = c.down;
      screenState = ScoreTable;
      inputDelay = c.delay;
      updateScoreTable();
      EXPECT_EQ(screenState, c.state);
      EXPECT_EQ(inputDelay, c.delay == 0 && c.state == Menu ? 50 : c.delay);
   }
}

}  // namespace
