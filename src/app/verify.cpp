#include "app/verify.h"

#include "files/say.h"
#include "replay/playback.h"

int verifyReplayFile(const std::string &path, FILE *out, FILE *err)
{
   std::string problem;
   const ReplayReading reading = readReplayFile(path, &problem);
   if (problem.empty()) {
      // The rules alone: no library, no display, no sound.
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
