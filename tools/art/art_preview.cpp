// art_preview FOLDER OUT_PREFIX: composes the menu and a playfield from
// the files in FOLDER the way the game draws them, at 16 bpp, and saves
// them as OUT_PREFIX-menu.bmp and OUT_PREFIX-play.bmp for people to look at.
#include <allegro.h>

#include <cstdio>
#include <string>

#include "art_files.h"
#include "gif/gif.h"

namespace {

BITMAP *load(const std::string &folder, const char *name)
{
   BITMAP *b = load_gif_bitmap((folder + "/" + name).c_str(), nullptr);
   if (!b)
      fprintf(stderr, "art_preview: cannot load %s\n", name);
   return b;
}

// Saves the page as a BMP file; false, with a line on stderr, when it
// cannot be.
bool save_page(const std::string &name, BITMAP *page)
{
   const std::string problem = save_whole(name, page, nullptr, save_bmp);
   if (!problem.empty())
      fprintf(stderr, "art_preview: %s: %s\n", name.c_str(), problem.c_str());
   return problem.empty();
}

}  // namespace

int main(int argc, char **argv)
{
   if (argc != 3) {
      fprintf(stderr, "usage: art_preview FOLDER OUT_PREFIX\n");
      return 1;
   }
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   set_color_depth(16);
   const std::string folder = argv[1], out = argv[2];
   BITMAP *texture = load(folder, "texture.gif");
   BITMAP *banner = load(folder, "title-menu.gif");
   BITMAP *scores = load(folder, "title-hs.gif");
   BITMAP *logo = load(folder, "Loading.gif");
   BITMAP *particle = load(folder, "particle.gif");
   BITMAP *character = load(folder, "Character.gif");
   BITMAP *hand = load(folder, "hand.gif");
   BITMAP *balls[3] = {load(folder, "ball-red.gif"), load(folder, "ball-green.gif"), load(folder, "ball-blue.gif")};
   FONT *digits = load_font((folder + "/scores_20.pcx").c_str(), nullptr, nullptr);
   FONT *menu = load_font((folder + "/menufont_22.pcx").c_str(), nullptr, nullptr);
   if (!texture || !banner || !scores || !logo || !particle || !character || !hand || !balls[0] || !balls[1] ||
       !balls[2] || !digits || !menu)
      return 1;
   BITMAP *page = create_bitmap(640, 480);
   const int brown = makecol(69, 63, 48);

   blit(texture, page, 0, 0, 0, 0, 640, 480);
   blit(banner, page, 0, 0, 0, 0, banner->w, banner->h);
   const char *items[] = {"  Play", "High Scores", "  Exit"};
   for (int k = 0; k < 3; k++)
      textout_ex(page, font, items[k], 220, 180 + 30 * k, brown, -1);
   draw_sprite(page, particle, 180, 175);
   draw_sprite(page, particle, 340, 175);
   if (!save_page(out + "-menu.bmp", page))
      return 1;

   blit(texture, page, 0, 0, 0, 0, 640, 480);
   blit(scores, page, 0, 0, 0, 0, scores->w, scores->h);
   for (int k = 0; k < 10; k++) {
      textprintf_ex(page, font, 120, 120 + 28 * k, makecol(255, 255, 255), -1, "%2d. JUGGLER %d", k + 1, k);
      textprintf_right_ex(page, font, 460, 120 + 28 * k, makecol(255, 255, 255), -1, "%d", 99000 - k * 7531);
   }
   if (!save_page(out + "-scores.bmp", page))
      return 1;

   blit(texture, page, 0, 0, 0, 0, 640, 480);
   set_trans_blender(0, 0, 0, 160);
   draw_trans_sprite(page, logo, 0, 200);
   textout_ex(page, menu, "Press a key", 250, 420, makecol(255, 255, 255), -1);
   if (!save_page(out + "-loading.bmp", page))
      return 1;

   blit(texture, page, 0, 0, 0, 0, 640, 480);
   const int left = 150, right = 450, y = 428;
   for (int x1 : {left, right})
      rectfill(page, x1, 460, x1 + 39, 462, makecol(60, 40, 30));
   rotate_sprite(page, hand, left - 17, y, itofix(0));
   draw_sprite_h_flip(page, hand, right - 5, y + 6);
   const int middle = (left + 20 + right + 20) / 2;
   draw_sprite(page, character, middle - character->w / 2, 480 - character->h);
   draw_sprite(page, balls[0], 170, 300);
   draw_sprite(page, balls[1], 320, 120);
   draw_sprite(page, balls[2], 430, 260);
   draw_sprite(page, particle, 250, 200);
   textout_ex(page, digits, "12345", 521, 21, makecol(0, 0, 0), -1);
   textout_ex(page, digits, "12345", 520, 20, makecol(253, 253, 51), -1);
   rectfill(page, 20, 20, 140, 34, makecol(137, 135, 95));
   textout_ex(page, menu, "Level 3", 24, 50, makecol(255, 255, 255), -1);
   if (!save_page(out + "-play.bmp", page))
      return 1;
   return 0;
}
