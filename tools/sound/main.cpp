// make_sounds [FOLDER]: makes the game's sound effects in FOLDER (sounds/
// by default).
#include <cstdio>

#include "sound_set.h"

int main(int argc, char **argv)
{
   if (argc > 2) {
      fprintf(stderr, "usage: make_sounds [FOLDER]\n");
      return 1;
   }
   const std::string error = make_sounds(argc > 1 ? argv[1] : "sounds");
   if (!error.empty()) {
      fprintf(stderr, "make_sounds: %s\n", error.c_str());
      return 1;
   }
   return 0;
}
