// make_art [FOLDER]: draws the game's images and fonts into FOLDER
// (graphics/ by default).
#include <allegro.h>

#include <cstdio>

#include "art_files.h"

int main(int argc, char **argv)
{
   const char *folder = argc > 1 ? argv[1] : "graphics";
   if (argc > 2) {
      fprintf(stderr, "usage: make_art [FOLDER]\n");
      return 1;
   }
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   const std::string error = make_art(folder);
   if (!error.empty()) {
      fprintf(stderr, "make_art: %s\n", error.c_str());
      return 1;
   }
   return 0;
}
