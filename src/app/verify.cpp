#include "verify.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>

#include "files/say.h"
#include "replay/playback.h"

int verifyReplayFile(const std::string &path, FILE *out, FILE *err)
{
   std::string problem;
   const ReplayReading reading = readReplayFile(path, &problem);
   if (problem.empty()) {
      // The library without a system driver: no display, no keyboard, no
      // timer; the game's colours at the window's depth.
      install_allegro(SYSTEM_NONE, &errno, atexit);
      set_color_depth(16);
      const std::string drift = verifyReplay(reading.replay);
      if (drift.empty()) {
         const uint32_t ticks = reading.replay.ticks;
         fprintf(out, "score %d after %u ticks (%s)\n", int(reading.replay.finalScore), ticks,
                 playingTime(ticks).c_str());
         return 0;
      }
      problem = path + ": " + drift;
   }
   say(problem, err);
   return 1;
}
