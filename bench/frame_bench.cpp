// The cost of drawing one frame of a busy game against one frame of an
// empty screen (the frame rate, the copy to the screen and the clear), at
// 16 bits; the ratio is printed at the end. The screen is a memory bitmap,
// or with --window the game's real window on $DISPLAY.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>

#include "app/assets.h"
#include "app/main_loop.h"
#include "app/screen_state.h"
#include "game/game.h"
#include "game/hand.h"
#include "game/particle.h"

namespace {

std::map<std::string, double> nanoseconds;

// Three balls in the air, three targets of which one waits with its ring,
// 25 sparks and three popups.
void setUpBusyGame()
{
   srand(7);
   newGame();
   for (int i = 0; i < 150; i++)
      updateGame();
   targets[0].kind = 3;
   targets[0].restoreColours();
   targets[0].hitBy(makecol(255, 0, 0));
   sparks.clear();
   spawnSparks(25, 320, 240);
   for (int i = 0; i < 20; i++)
      updateSparks();
   popups.clear();
   for (int i = 0; i < 3; i++)
      popups.push_back(TextFade(500 + 250 * i, 100 + 150 * i, 300));
}

void frame(benchmark::State &state, int screenOf)
{
   screenState = ScreenState(screenOf);
   for (auto _ : state)
      drawFrame();
   state.counters["frames/s"] = benchmark::Counter(double(state.iterations()),
                                                   benchmark::Counter::kIsRate);
}

void EmptyFrame(benchmark::State &state)
{
   frame(state, Exit);
}

void BusyGameFrame(benchmark::State &state)
{
   setUpBusyGame();
   frame(state, Playing);
}

BENCHMARK(EmptyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BusyGameFrame)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
   void ReportRuns(const std::vector<Run> &runs) override
   {
      for (const Run &run : runs)
         nanoseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
      ConsoleReporter::ReportRuns(runs);
   }
};

}  // namespace

int main(int argc, char **argv)
{
   benchmark::Initialize(&argc, argv);
   const bool window = argc > 1 && std::string(argv[1]) == "--window";
   if (install_allegro(window ? SYSTEM_AUTODETECT : SYSTEM_NONE, &errno, atexit) != 0 ||
       chdir(TOSSARO_SOURCE_DIR) != 0)
      return 2;
   set_color_depth(16);
   BITMAP *memoryScreen = nullptr;
   if (window) {
      if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, 640, 480, 0, 0) != 0) {
         fprintf(stderr, "frame_bench: cannot open a 640x480 16-bit window: %s\n", allegro_error);
         return 1;
      }
   } else {
      screen = memoryScreen = create_bitmap(640, 480);
   }
   const std::string problem = loadAssets();
   if (!problem.empty()) {
      fprintf(stderr, "frame_bench: %s\n", problem.c_str());
      return 1;
   }
   RatioReporter reporter;
   benchmark::RunSpecifiedBenchmarks(&reporter);
   if (nanoseconds.count("EmptyFrame") && nanoseconds.count("BusyGameFrame"))
      printf("busy frame / empty frame, %s: %.2f\n", window ? "window" : "memory screen",
             nanoseconds["BusyGameFrame"] / nanoseconds["EmptyFrame"]);
   freeAssets();
   if (memoryScreen)
      destroy_bitmap(memoryScreen);
   return 0;
}
