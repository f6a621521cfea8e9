// The cost of drawing one frame of a busy game against one frame of an
// empty screen (the frame rate, the copy to the screen and the clear), at
// 16 bits; the ratio is printed at the end. Then what a picture (F12)
// costs: the frame that takes it, on the main thread, and its writing, on
// a thread of its own. The screen is a memory bitmap, or with --window
// the game's real window on $DISPLAY.
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

#include "app/captures.h"
#include "app/captures_folder.h"
#include "app/main_loop.h"
#include "app/still.h"
#include "game/game.h"
#include "game/hand.h"
#include "game/particle.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

namespace {

std::map<std::string, double> microseconds;

// Three balls in the air, three targets of which one waits with its ring,
// 25 sparks and three popups: the same game every run, begun at a fixed
// time.
void setUpBusyGame()
{
   Game &game = playedGame();
   game.clock = [](time_t *) { return time_t(1733600000); };
   newGame();
   game.clock = time;
   for (int i = 0; i < 150; i++)
      updateGame();
   Powerup &waiting = game.targets[0];
   waiting.kind = 3;
   waiting.restoreColours();
   waiting.hitBy(kRedBallValue);
   game.sparks.clear();
   GameRandom numbers(7);
   spawnSparks(game.sparks, numbers, 25, 320, 240);
   for (int i = 0; i < 20; i++)
      updateSparks(game.sparks);
   game.popups.clear();
   for (int i = 0; i < 3; i++)
      game.popups.push_back(TextFade(500 + 250 * i, 100 + 150 * i, 300));
}

void frame(benchmark::State &state, int screenOf)
{
   screenState = ScreenState(screenOf);
   for (auto _ : state)
      drawFrame();
   state.counters["frames/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
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

// The picture key, held when asked.
class PictureKey : public KeySource {
public:
   bool held(int scancode) override { return down && scancode == keyFor(SavePicture); }
   bool keypressed() override { return false; }
   int readkey() override { return 0; }
   void clearKeybuf() override {}
   bool down = false;
};

// Each frame takes a picture: the key pressed, the frame timed, the
// writing waited for and its file removed untimed.
void BusyGameFrameTakingAPicture(benchmark::State &state)
{
   setUpBusyGame();
   screenState = Playing;
   char folder[] = "/tmp/frame_bench-XXXXXX";
   if (!mkdtemp(folder)) {
      state.SkipWithError("no folder for the pictures");
      return;
   }
   chosenCapturesFolder = folder;
   PictureKey key;
   KeySource *const before = keys;
   keys = &key;
   for (auto _ : state) {
      state.PauseTiming();
      key.down = !key.down;
      readCaptureKeys();
      key.down = !key.down;
      readCaptureKeys();
      state.ResumeTiming();
      drawFrame();
      state.PauseTiming();
      finishCaptures();
      std::filesystem::remove_all(folder);
      state.ResumeTiming();
   }
   keys = before;
   chosenCapturesFolder.clear();
}

// What the picture's thread does: the busy game's picture as a GIF.
void StillOfABusyGame(benchmark::State &state)
{
   setUpBusyGame();
   screenState = Playing;
   drawGame();
   const std::string path = "/tmp/frame_bench-still-" + std::to_string(getpid()) + ".gif";
   for (auto _ : state) {
      if (!saveStill(path, backBuffer).empty())
         state.SkipWithError("cannot write the picture");
   }
   clear_bitmap(backBuffer);
   unlink(path.c_str());
}

BENCHMARK(EmptyFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BusyGameFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BusyGameFrameTakingAPicture)->Unit(benchmark::kMicrosecond);
BENCHMARK(StillOfABusyGame)->Unit(benchmark::kMicrosecond);

class RatioReporter : public benchmark::ConsoleReporter {
public:
   void ReportRuns(const std::vector<Run> &runs) override
   {
      for (const Run &run : runs)
         microseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
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
   if (microseconds.count("EmptyFrame") && microseconds.count("BusyGameFrame"))
      printf("busy frame / empty frame, %s: %.2f\n", window ? "window" : "memory screen",
             microseconds["BusyGameFrame"] / microseconds["EmptyFrame"]);
   if (microseconds.count("BusyGameFrame") && microseconds.count("BusyGameFrameTakingAPicture") &&
       microseconds.count("StillOfABusyGame"))
      printf("a picture: %.2f ms more in its frame (a tick is 10 ms), %.1f ms to write on its "
             "own thread\n",
             (microseconds["BusyGameFrameTakingAPicture"] - microseconds["BusyGameFrame"]) / 1e3,
             microseconds["StillOfABusyGame"] / 1e3);
   freeAssets();
   if (memoryScreen)
      destroy_bitmap(memoryScreen);
   return 0;
}
