#include "program.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "assets.h"
#include "gif.h"
#include "main_loop.h"
#include "quit_prompt.h"
#include "screen_state.h"

namespace {

const int kTicksPerSecond = 100;
const int kStartDelay = 200;

int failStartup(const std::string &what)
{
   fprintf(stderr, "tossaro: %s\n", what.c_str());
   return 1;
}

void shutdown()
{
   freeQuitSnapshot();
   freeAssets();
}

}  // namespace

int runProgram()
{
   if (allegro_init() != 0)
      return failStartup(std::string("cannot initialise Allegro") +
                         (allegro_error[0] ? std::string(": ") + allegro_error : " (no display?)"));
   if (install_keyboard() != 0)
      return failStartup("cannot install the keyboard");
   if (install_timer() != 0)
      return failStartup("cannot install the timers");
   // The logic timer runs from here on: ticks that pass while loading are
   // owed when the loop starts.
   if (install_int_ex(onLogicTick, BPS_TO_TIMER(kTicksPerSecond)) != 0 ||
       install_int(onSecondTick, 1000) != 0)
      return failStartup("cannot install the timers");
   srand(unsigned(time(nullptr)));
   register_gif_type();
   set_color_depth(16);
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0)
      return failStartup(std::string("cannot open a 640x480 16-bit window: ") + allegro_error);
   set_window_title("Tossaro");
   set_close_button_callback(onCloseButton);
   const std::string problem = loadAssets();
   if (!problem.empty())
      return failStartup(problem);
   screenState = Intro;
   inputDelay = kStartDelay;

   runMainLoop();

   shutdown();
   return 0;
}
