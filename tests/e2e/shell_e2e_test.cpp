// The game as a player meets it: started in a folder of its own in a real
// X server, driven by real key events, judged by screenshots against its
// own art files, by its exit status and by what it leaves behind.
#include <filesystem>

#include "game_fixture.h"

namespace {

TEST_F(GameTest, IntroMenuCursorAndLeavingWithEscape)
{
   const Art art;
   ASSERT_TRUE(art.texture && art.titleMenu && art.particle && art.logo);
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();

   // The intro: the backdrop lies opaque over the menu while the logo
   // fades in, so away from the logo and the frame rate only the backdrop
   // shows (once the first frame is drawn: a slow machine may still be
   // loading the art when the window opens).
   const auto backdropOnly = [&](const Screenshot &s) {
      for (int y = 0; y < 480; y += 7) {
         for (int x = 0; x < 640; x += 11) {
            const bool logo = y >= 200 && y < 200 + art.logo->h;
            if (!in_frame_rate_text(x, y) && !logo &&
                !shows(s.at(x, y), getpixel(art.texture.get(), x, y)))
               return false;
         }
      }
      return true;
   };
   Screenshot shot;
   ASSERT_TRUE(await(game, backdropOnly, 3.0, &shot)) << "the intro never showed the backdrop";
   EXPECT_EQ(shot.w, 640);
   EXPECT_EQ(shot.h, 480);
   EXPECT_FALSE(cursor_on(shot, art, 0));

   // A key pressed during the fade-in ends the intro when the logo is
   // fully shown, well before the 5 seconds the intro takes untouched.
   game.press("x");
   const auto menuShown = [&](const Screenshot &s) { return cursor_on(s, art, 0); };
   ASSERT_TRUE(await(game, menuShown, 4.0, &shot)) << "no menu within 4.5 s";

   // The menu: banner, the three items in brown, the cursor beside "  Play".
   for (int y = 0; y < art.titleMenu->h; y += 5) {
      for (int x = 0; x < art.titleMenu->w; x += 5) {
         if (x < 100 && y < 32)
            continue;
         ASSERT_TRUE(shows(shot.at(x, y), getpixel(art.titleMenu.get(), x, y))) << x << "," << y;
      }
   }
   for (int y : {180, 210, 240})
      EXPECT_GT(count_in(shot, 220, y, 220 + 8 * 11, y + 7, 69, 63, 48), 20) << "item at " << y;
   EXPECT_FALSE(cursor_on(shot, art, 1));
   shot.save_ppm(std::string(TOSSARO_BINARY_DIR) + "/menu.ppm");

   // Down moves the cursor, once the menu takes keys (half a second after
   // it opens); Up from the first item wraps to the last.
   pause_ms(600);
   EXPECT_TRUE(press_until(game, "Down", [&](const Screenshot &s) { return cursor_on(s, art, 1); }));
   EXPECT_TRUE(press_until(game, "Up", [&](const Screenshot &s) { return cursor_on(s, art, 0); }));
   EXPECT_TRUE(press_until(game, "Up", [&](const Screenshot &s) { return cursor_on(s, art, 2); }));

   press_until_ended(game, "Escape", 100);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
   EXPECT_EQ(left_behind(), std::set<std::string>{"hiscores.bin"});
}

TEST_F(GameTest, ClosingTheWindowEndsTheGameNormally)
{
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();
   pause_ms(700);
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
   EXPECT_EQ(read_file(folder + "/hiscores.bin").size(), 1040u);
}

TEST_F(GameTest, MissingImageStopsWithAMessage)
{
   std::filesystem::remove(folder + "/graphics/hand.gif");
   GameRun game(server, kGame, folder);
   EXPECT_EQ(game.wait(), 1);
   EXPECT_EQ(game.output(), "tossaro: cannot load graphics/hand.gif\n");
}

using GameUnderValgrind = GameTest;

TEST_F(GameUnderValgrind, NoInvalidAccessAndNoLeakFromStartToExit)
{
   const Art art;
   const std::string log = scratch.path("valgrind.log");
   // Valgrind runs one thread at a time: frames drawn without a pause
   // would leave the library's input thread no turn to take the keys.
   GameRun game(server, kGame, folder,
                {"valgrind", "--error-exitcode=99", "--leak-check=full",
                 "--errors-for-leak-kinds=definite", "--suppressions=" + kValgrindSuppressions,
                 "--log-file=" + log},
                {"--max-fps", "30"});
   ASSERT_NE(game.window(60), 0u) << game.output();
   // Through the whole intro to the menu, a few seconds of a game, then
   // out through the window's close button: the ending that does not hang
   // on a key press being seen by a program valgrind slows down.
   Screenshot shot;
   ASSERT_TRUE(await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 60, &shot));
   pause_ms(1000);
   for (int attempt = 0; attempt < 3 && !field_shown(shot); attempt++) {
      game.press("p", 300);
      await(game, field_shown, 10, &shot);
   }
   EXPECT_TRUE(field_shown(shot));
   pause_ms(3000);
   game.requestClose();
   EXPECT_EQ(game.wait(60), 0) << read_text(log);
   const std::string report = read_text(log);
   EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
}

}  // namespace
