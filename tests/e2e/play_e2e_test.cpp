// A game as a player plays it: from the menu into play, the field moving,
// the power keys raising their gauges, a new game, the quit prompt over a
// frozen field, back to the menu, and Q.
#include "game_fixture.h"

namespace {

// The top of a power gauge: the highest row of its outline colour at x.
int gauge_top(const Screenshot &shot, int x)
{
   for (int y = 300; y < 476; y++) {
      if (shows_rgb(shot.at(x, y), 0, 50, 0))
         return y;
   }
   return -1;
}

TEST_F(GameTest, PlayingAGame)
{
   const Art art;
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();
   Screenshot shot, before;
   ASSERT_TRUE(await(game, [&](const Screenshot &s) { return s.w == 640; }, 3, &shot));
   ASSERT_TRUE(reach_menu(game, art));
   ASSERT_TRUE(press_until(game, "p", field_shown));

   // The field moves.
   before = game.screenshot();
   pause_ms(300);
   shot = game.screenshot();
   EXPECT_GT(differences(before, shot), 200);
   shot.save_ppm(std::string(TOSSARO_BINARY_DIR) + "/play.ppm");

   // Held, W and then Up raise each hand's power gauge to about y = 370.
   for (const auto &[key, x] : {std::pair<std::string, int>{"w", 7}, {"Up", 632}}) {
      game.hold(key);
      EXPECT_TRUE(await(game, [&, x = x](const Screenshot &s) {
         const int top = gauge_top(s, x);
         return top >= 368 && top <= 374;
      }, 3, &shot)) << key << " left the gauge at " << gauge_top(shot, x);
      game.release(key);
   }

   // Space starts a new game: the time before the drain is full again,
   // once it has visibly run down.
   const auto timeFull = [](const Screenshot &s) { return shows_rgb(s.at(200, 14), 200, 200, 255); };
   ASSERT_TRUE(await(game, [&](const Screenshot &s) { return !timeFull(s); }, 12, &shot));
   EXPECT_TRUE(press_until(game, "space", timeFull));

   // Esc: the quit prompt over a field that stands still.
   ASSERT_TRUE(press_until(game, "Escape", prompt_shown));
   before = game.screenshot();
   pause_ms(500);
   shot = game.screenshot();
   EXPECT_EQ(differences(before, shot), 0);
   EXPECT_GT(count_in(shot, 0, 0, 639, 479, 50, 50, 50), 10000) << "no dot screen";

   // N: the game goes on.
   ASSERT_TRUE(press_until(game, "n", field_shown));
   before = game.screenshot();
   pause_ms(300);
   EXPECT_GT(differences(before, game.screenshot()), 200);

   // Esc and Y: the menu; P plays again; Q leaves the program.
   ASSERT_TRUE(press_until(game, "Escape", prompt_shown));
   ASSERT_TRUE(press_until(game, "y", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
   pause_ms(300);
   ASSERT_TRUE(press_until(game, "p", field_shown));
   press_until_ended(game, "q", 100);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
   // Leaving with Q saves the high scores too.
   EXPECT_EQ(read_file(folder + "/hiscores.bin").size(), 1040u);
}

// Where the mark of `colour` shows whole in the screenshot: its opaque
// pixels in the art file, anywhere; -1, -1 when nowhere.
std::pair<int, int> find_mark(const Screenshot &shot, BITMAP *marks, int colour)
{
   const int mask = bitmap_mask_color(marks);
   for (int y = 0; y + 10 <= shot.h; y++) {
      for (int x = 0; x + 10 <= shot.w; x++) {
         bool all = true;
         for (int j = 0; all && j < 10; j++) {
            for (int i = 0; all && i < 10; i++) {
               const int c = getpixel(marks, colour * 10 + i, j);
               all = c == mask || shows(shot.at(x + i, y + j), c);
            }
         }
         if (all)
            return {x, y};
      }
   }
   return {-1, -1};
}

TEST_F(GameTest, MarksShowTheColoursToPlayersWhoAskForThem)
{
   const Art art;
   ASSERT_TRUE(art.marks);
   GameRun game(server, kGame, folder, {}, {"--marks"});
   ASSERT_NE(game.window(), 0u) << game.output();
   ASSERT_TRUE(reach_menu(game, art));
   ASSERT_TRUE(press_until(game, "p", field_shown));
   Screenshot shot;
   // Every ball carries its mark, and the targets those they need.
   ASSERT_TRUE(await(game, [&](const Screenshot &s) {
      for (int colour = 0; colour < 3; colour++) {
         if (find_mark(s, art.marks.get(), colour).first < 0)
            return false;
      }
      return true;
   }, 5, &shot)) << "a mark is missing";
   shot.save_ppm(std::string(TOSSARO_BINARY_DIR) + "/marks.ppm");
   press_until_ended(game, "q", 100);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
}

}  // namespace
