// make_art [FOLDER [ICONS]]: draws the game's images and fonts into FOLDER
// (graphics/ by default) and its icons into the icon theme folders under
// ICONS (data/icons/ by default).
#include <allegro.h>

#include <cstdio>

#include "art_files.h"
#include "art_icon.h"

int main(int argc, char **argv)
{
   if (argc > 3) {
      fprintf(stderr, "usage: make_art [FOLDER [ICONS]]\n");
      return 1;
   }
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   std::string error = make_art(argc > 1 ? argv[1] : "graphics");
   if (error.empty())
      error = make_icons(argc > 2 ? argv[2] : "data/icons");
   if (!error.empty()) {
      fprintf(stderr, "make_art: %s\n", error.c_str());
      return 1;
   }
   return 0;
}
