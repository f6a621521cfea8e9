// How long a cue takes to reach the sound device: the time from playSound
// to the mixer's first buffer that holds it, plus that buffer's own length,
// over many cues. Plays to SDL's dummy driver unless SDL_AUDIODRIVER says
// otherwise.
#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "audio/mixer.h"
#include "audio/sound.h"

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<bool> waiting(false);
std::atomic<long long> heardAt(0);

long long now_us()
{
   return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
      .count();
}

// Runs on the audio thread after each buffer is mixed.
void onMixed(void *, Uint8 *stream, int length)
{
   if (!waiting)
      return;
   const int16_t *samples = reinterpret_cast<const int16_t *>(stream);
   for (int i = 0; i < length / 2; i++) {
      if (samples[i] != 0) {
         heardAt = now_us();
         waiting = false;
         return;
      }
   }
}

}  // namespace

int main(int argc, char **argv)
{
   const int cues = argc > 1 ? atoi(argv[1]) : 50;
   if (!getenv("SDL_AUDIODRIVER"))
      setenv("SDL_AUDIODRIVER", "dummy", 1);
   const std::string silent = startSound(TOSSARO_SOURCE_DIR "/sounds", 80);
   if (!silent.empty()) {
      fprintf(stderr, "sound_latency: no sound: %s\n", silent.c_str());
      return 1;
   }
   int frequency, channels;
   Uint16 format;
   Mix_QuerySpec(&frequency, &format, &channels);
   Mix_SetPostMix(onMixed, nullptr);
   std::vector<double> delays;
   for (int i = 0; i < cues; i++) {
      std::this_thread::sleep_for(std::chrono::milliseconds(37));
      Mix_HaltChannel(-1);
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      waiting = true;
      const long long played = now_us();
      playSound(Cue::Throw, i % 3);
      while (waiting)
         std::this_thread::sleep_for(std::chrono::microseconds(100));
      delays.push_back((heardAt - played) / 1000.0);
   }
   stopSound();
   std::sort(delays.begin(), delays.end());
   // A mixed buffer (512 frames, as the mixer opens the device) leaves for
   // the device as one piece.
   const double buffer = 512 * 1000.0 / frequency;
   printf("cue to mixed buffer: median %.1f ms, worst %.1f ms; with the %.1f ms buffer: worst "
          "%.1f ms (%d cues, %s driver)\n",
          delays[delays.size() / 2], delays.back(), buffer, delays.back() + buffer, cues,
          getenv("SDL_AUDIODRIVER"));
   return 0;
}
