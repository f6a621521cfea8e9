// The game as a player meets it: started in a folder of its own in a real
// X server, driven by real key events, judged by screenshots against its
// own art files, by its exit status and by what it leaves behind.
#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>

#include "gif.h"
#include "gif_test_util.h"
#include "scratch.h"
#include "x_session.h"

namespace {

const char *const kGame = TOSSARO_GAME;
const std::string kGraphics = std::string(TOSSARO_SOURCE_DIR) + "/graphics";

// The art as the game shows it: decoded at 16 bits per pixel.
struct Art {
   BitmapPtr texture, titleMenu, particle, logo;
   Art()
   {
      set_color_depth(16);
      texture.reset(load_gif_bitmap((kGraphics + "/texture.gif").c_str(), nullptr));
      titleMenu.reset(load_gif_bitmap((kGraphics + "/title-menu.gif").c_str(), nullptr));
      particle.reset(load_gif_bitmap((kGraphics + "/particle.gif").c_str(), nullptr));
      logo.reset(load_gif_bitmap((kGraphics + "/Loading.gif").c_str(), nullptr));
      set_color_depth(32);
   }
};

// Whether a screenshot pixel shows the 16-bit colour c, allowing for the
// server's widening of 5 and 6 bits to 8.
bool shows(uint32_t pixel, int c)
{
   const int r = int(pixel >> 16) & 255, g = int(pixel >> 8) & 255, b = int(pixel) & 255;
   return abs(r - getr16(c)) <= 3 && abs(g - getg16(c)) <= 3 && abs(b - getb16(c)) <= 3;
}

bool shows_rgb(uint32_t pixel, int r, int g, int b)
{
   return shows(pixel, makecol16(r, g, b));
}

// Whether the sprite's opaque pixels all show at (x, y).
bool sprite_at(const Screenshot &shot, BITMAP *sprite, int x, int y)
{
   for (int sy = 0; sy < sprite->h; sy++) {
      for (int sx = 0; sx < sprite->w; sx++) {
         const int c = getpixel(sprite, sx, sy);
         if (c != bitmap_mask_color(sprite) && !shows(shot.at(x + sx, y + sy), c))
            return false;
      }
   }
   return true;
}

// How many pixels of the box show the colour.
int count_in(const Screenshot &shot, int x0, int y0, int x1, int y1, int r, int g, int b)
{
   int n = 0;
   for (int y = y0; y <= y1; y++) {
      for (int x = x0; x <= x1; x++)
         n += shows_rgb(shot.at(x, y), r, g, b);
   }
   return n;
}

std::string read_text(const std::string &path)
{
   const std::vector<unsigned char> bytes = read_file(path);
   return std::string(bytes.begin(), bytes.end());
}

class GameTest : public testing::Test {
protected:
   void SetUp() override
   {
      folder = scratch.path("game");
      std::filesystem::create_directory(folder);
      copy_folder(kGraphics, folder + "/graphics");
   }

   // Takes screenshots until `ready` holds, for up to `seconds`.
   bool await(GameRun &game, const std::function<bool(const Screenshot &)> &ready,
              double seconds, Screenshot *shot)
   {
      for (double waited = 0; waited < seconds; waited += 0.1) {
         *shot = game.screenshot();
         if (ready(*shot))
            return true;
         pause_ms(100);
      }
      return false;
   }

   // Presses the key until `done` shows, up to three times: a press the
   // game never saw (a slow frame can hide a short one) is made again.
   // Waits afterwards until the screen takes keys again (15 ticks after a
   // move).
   bool press_until(GameRun &game, const std::string &key,
                    const std::function<bool(const Screenshot &)> &done)
   {
      Screenshot shot;
      for (int attempt = 0; attempt < 3; attempt++) {
         game.press(key, 80);
         if (await(game, done, 1.5, &shot)) {
            pause_ms(300);
            return true;
         }
      }
      return false;
   }

   // The files in the working folder besides the art.
   std::set<std::string> left_behind() const
   {
      std::set<std::string> names;
      for (const auto &entry : std::filesystem::directory_iterator(folder))
         names.insert(entry.path().filename().string());
      names.erase("graphics");
      return names;
   }

   Scratch scratch;
   std::string folder;
   XServer server;
};

bool cursor_on(const Screenshot &shot, const Art &art, int item)
{
   const int y = 175 + 30 * item;
   return sprite_at(shot, art.particle.get(), 180, y) && sprite_at(shot, art.particle.get(), 340, y);
}

TEST_F(GameTest, IntroMenuCursorAndLeavingWithEscape)
{
   const Art art;
   ASSERT_TRUE(art.texture && art.titleMenu && art.particle && art.logo);
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();

   // The intro: the backdrop lies opaque over the menu while the logo
   // fades in, so away from the logo and the frame rate only the backdrop
   // shows.
   Screenshot shot;
   pause_ms(500);
   shot = game.screenshot();
   ASSERT_EQ(shot.w, 640);
   ASSERT_EQ(shot.h, 480);
   int checked = 0;
   for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < 640; x += 11) {
         const bool frameRate = x < 100 && y < 32;
         const bool logo = y >= 200 && y < 200 + art.logo->h;
         if (frameRate || logo)
            continue;
         ASSERT_TRUE(shows(shot.at(x, y), getpixel(art.texture.get(), x, y))) << x << "," << y;
         checked++;
      }
   }
   EXPECT_GT(checked, 2000);

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

   game.press("Escape");
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
   EXPECT_TRUE(left_behind().empty());
}

TEST_F(GameTest, ClosingTheWindowEndsTheGameNormally)
{
   GameRun game(server, kGame, folder);
   ASSERT_NE(game.window(), 0u) << game.output();
   pause_ms(700);
   game.requestClose();
   EXPECT_EQ(game.wait(5), 0);
   EXPECT_EQ(game.output(), "");
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
   GameRun game(server, kGame, folder,
                {"valgrind", "--error-exitcode=99", "--leak-check=full",
                 "--errors-for-leak-kinds=definite", "--log-file=" + log});
   ASSERT_NE(game.window(60), 0u) << game.output();
   Screenshot shot;
   // Through the intro to the menu, and out with Esc.
   pause_ms(3000);
   game.press("x");
   ASSERT_TRUE(await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 30, &shot));
   pause_ms(1000);
   game.press("Escape", 300);
   EXPECT_EQ(game.wait(90), 0) << read_text(log);
   const std::string report = read_text(log);
   EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
}

}  // namespace
