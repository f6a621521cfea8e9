#include "headless_game.h"

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/assets.h"

int startHeadlessGame(const char *program)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0 || chdir(TOSSARO_SOURCE_DIR) != 0) {
      fprintf(stderr, "%s: cannot start the library in %s\n", program, TOSSARO_SOURCE_DIR);
      return 2;
   }
   set_color_depth(16);
   screen = create_bitmap(640, 480);
   const std::string problem = loadAssets();
   if (!problem.empty()) {
      fprintf(stderr, "%s: %s\n", program, problem.c_str());
      return 1;
   }
   return 0;
}
