#include "game_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "gif/gif.h"
#include "support/shell_command.h"

const char *const kGame = TOSSARO_GAME;
const std::string kGraphics = std::string(TOSSARO_SOURCE_DIR) + "/graphics";
const std::string kValgrindSuppressions =
   std::string(TOSSARO_SOURCE_DIR) + "/tests/e2e/valgrind.supp";

Art::Art()
{
   set_color_depth(16);
   texture.reset(load_gif_bitmap((kGraphics + "/texture.gif").c_str(), nullptr));
   titleMenu.reset(load_gif_bitmap((kGraphics + "/title-menu.gif").c_str(), nullptr));
   titleScores.reset(load_gif_bitmap((kGraphics + "/title-hs.gif").c_str(), nullptr));
   particle.reset(load_gif_bitmap((kGraphics + "/particle.gif").c_str(), nullptr));
   logo.reset(load_gif_bitmap((kGraphics + "/Loading.gif").c_str(), nullptr));
   marks.reset(load_gif_bitmap((kGraphics + "/marks.gif").c_str(), nullptr));
   set_color_depth(32);
}

bool shows(uint32_t pixel, int c)
{
   const int r = int(pixel >> 16) & 255, g = int(pixel >> 8) & 255, b = int(pixel) & 255;
   return abs(r - getr16(c)) <= 3 && abs(g - getg16(c)) <= 3 && abs(b - getb16(c)) <= 3;
}

bool shows_rgb(uint32_t pixel, int r, int g, int b)
{
   return shows(pixel, makecol16(r, g, b));
}

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

bool cursor_on(const Screenshot &shot, const Art &art, int item)
{
   const int y = 175 + 30 * item;
   return sprite_at(shot, art.particle.get(), 180, y) && sprite_at(shot, art.particle.get(), 340, y);
}

bool shows_picture(const Screenshot &shot, BITMAP *picture)
{
   for (int y = 0; y < picture->h; y++) {
      for (int x = 0; x < picture->w; x++) {
         if (!in_frame_rate_text(x, y) && !shows(shot.at(x, y), getpixel(picture, x, y)))
            return false;
      }
   }
   return true;
}

int count_in(const Screenshot &shot, int x0, int y0, int x1, int y1, int r, int g, int b)
{
   int n = 0;
   for (int y = y0; y <= y1; y++) {
      for (int x = x0; x <= x1; x++)
         n += shows_rgb(shot.at(x, y), r, g, b);
   }
   return n;
}

bool in_frame_rate_text(int x, int y)
{
   return x < 100 && y < 32;
}

int differences(const Screenshot &a, const Screenshot &b)
{
   int n = 0;
   for (int y = 0; y < a.h; y++) {
      for (int x = 0; x < a.w; x++)
         n += !in_frame_rate_text(x, y) && a.at(x, y) != b.at(x, y);
   }
   return n;
}

bool prompt_shown(const Screenshot &shot)
{
   return count_in(shot, 152, 152, 488, 328, 137, 135, 95) > 50000 &&
          count_in(shot, 150, 150, 490, 150, 69, 63, 48) > 300 &&
          count_in(shot, 200, 200, 200 + 19 * 8, 207, 69, 63, 48) > 30;
}

bool field_shown(const Screenshot &shot)
{
   return shows_rgb(shot.at(205, 7), 105, 50, 50) && shows_rgb(shot.at(205, 14), 50, 50, 105) &&
          !prompt_shown(shot);
}

std::string read_text(const std::string &path)
{
   const std::vector<unsigned char> bytes = read_file(path);
   return std::string(bytes.begin(), bytes.end());
}

void GameTest::SetUp()
{
   folder = scratch.path("game");
   std::filesystem::create_directory(folder);
   copy_folder(kGraphics, folder + "/graphics");
   copy_folder(std::string(TOSSARO_SOURCE_DIR) + "/sounds", folder + "/sounds");
}

bool GameTest::reach_menu(GameRun &game, const Art &art)
{
   Screenshot shot;
   game.press("x");
   if (!await(game, [&](const Screenshot &s) { return cursor_on(s, art, 0); }, 5, &shot))
      return false;
   pause_ms(600);
   return true;
}

bool GameTest::await(GameRun &game, const std::function<bool(const Screenshot &)> &ready,
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

bool GameTest::press_until(GameRun &game, const std::string &key,
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

void GameTest::press_until_ended(GameRun &game, const std::string &key, int ms)
{
   for (int attempt = 0; attempt < 3 && !game.ended(0); attempt++) {
      game.press(key, ms);
      game.ended(20);
   }
}

std::set<std::string> GameTest::left_behind() const
{
   std::set<std::string> names;
   for (const auto &entry : std::filesystem::directory_iterator(folder))
      names.insert(entry.path().filename().string());
   names.erase("graphics");
   names.erase("sounds");
   return names;
}

void draw_replay_marks(BITMAP *picture, const std::vector<int> &rows, int chosen)
{
   const int white = makecol16(255, 255, 255);
   for (int row : rows) {
      const int y = 120 + 30 * row;
      triangle(picture, 100, y, 100, y + 7, 106, y + 3, white);
      if (row == chosen)
         rect(picture, 96, y - 4, 500, y + 11, white);
   }
   textprintf_ex(picture, font, 160, 456, white, -1, "Up/Down choose a replay, R watches it");
}

std::string run_without_display(const std::string &arguments, int *status,
                                const std::string &folder)
{
   std::string text;
   *status = run("cd " + quoted(folder) + " && env -u DISPLAY " + kGame + " " + arguments, &text);
   return text;
}
