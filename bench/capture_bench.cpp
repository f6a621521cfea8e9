// Captures in one run, as ratios:
//
// speed    a game of 60 seconds (the longest of a few scripted games, when
//          none lasts that long) exported to GIF by `tossaro --replay
//          --gif`: wall and CPU time over the game's length (goal 1/6,
//          excellent 1/20), and the export's peak memory, with that of
//          its first 10 seconds beside it (memory must not grow with the
//          length);
// size     a ten-second clip of it against `gifsicle -O3` of the same
//          frames (`gifsicle --unoptimize` of ours, then -O3): goal <= 1.00,
//          excellent <= 0.90;
// quality  the clip's frames against the lossless `--frames` export: the
//          frames shown exactly, the lowest PSNR of the others, and the
//          pixels that change in the clip where the frames do not
//          (shimmer), which must be none;
// play     the longest frame interval of a game drawn as fast as it can
//          for five seconds (--play S), alone and while a clip is exported
//          beside it at the clip's lower priority, as F9 does.
//
// usage: capture_bench TOSSARO [--seconds N] [--play S]
#include <allegro.h>
#include <sched.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "game/game.h"
#include "gif/gif.h"
#include "headless_game.h"
#include "replay/recorder.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

namespace {

const int kTicksPerSecond = 100;

double now()
{
   using namespace std::chrono;
   return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Keys held by a script: the actions change every half second.
class ScriptedPlayer : public KeySource {
public:
   bool held(int scancode) override
   {
      for (int a = 0; a < kGameActions; a++) {
         if ((actions >> a & 1) && playKeys.keys[a] == scancode)
            return true;
      }
      return false;
   }
   bool keypressed() override { return false; }
   int readkey() override { return 0; }
   void clearKeybuf() override {}
   ActionSet actions = 0;
};

time_t seedClock = 0;
time_t scriptedClock(time_t *)
{
   return seedClock;
}

// A game played by the script from a start time `seed`, until it is over
// or `ticks` have passed.
Replay scriptedGame(time_t seed, uint32_t ticks)
{
   Recorder recorder("bench");
   ScriptedPlayer player;
   KeySource *const before = keys;
   keys = &player;
   Game &game = playedGame();
   game.listener = &recorder;
   seedClock = seed;
   game.clock = scriptedClock;
   screenState = Playing;
   newGame();
   std::mt19937 script{unsigned(seed)};
   for (uint32_t t = 0; t < ticks && screenState == Playing; t++) {
      if (t % 50 == 0) {
         // Tilt and power only, never a new game nor the prompt.
         const ActionSet hands = ActionSet((1u << RightPowerDown) * 2 - 1);
         player.actions = ActionSet(script() & hands);
      }
      updateGame();
   }
   recorder.finish(game.score);
   game.listener = nullptr;
   keys = before;
   game.clock = time;
   return *recorder.finished();
}

struct Run {
   double wall = 0, cpu = 0;  // seconds
   double peakMB = 0;
   int status = -1;
};

// Runs the command (argv[0] a program) and waits for it; `nice` lowers
// its priority.
Run run(const std::vector<std::string> &arguments, int nice = 0)
{
   std::vector<char *> argv;
   for (const std::string &a : arguments)
      argv.push_back(const_cast<char *>(a.c_str()));
   argv.push_back(nullptr);
   Run r;
   const double start = now();
   const pid_t pid = fork();
   if (pid == 0) {
      setpriority(PRIO_PROCESS, 0, nice);
      execv(argv[0], argv.data());
      _exit(127);
   }
   int status = 0;
   struct rusage usage;
   if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
      return r;
   r.wall = now() - start;
   r.cpu = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
   r.peakMB = double(usage.ru_maxrss) / 1024.0;
   r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
   return r;
}

long fileSize(const std::string &path)
{
   std::error_code error;
   const auto size = std::filesystem::file_size(path, error);
   return error ? -1 : long(size);
}

// A binary PPM file's pixels as 0xRRGGBB; empty when it cannot be read.
std::vector<uint32_t> readPpm(const std::string &path, int w, int h)
{
   std::ifstream in(path, std::ios::binary);
   std::string magic;
   int fw = 0, fh = 0, most = 0;
   in >> magic >> fw >> fh >> most;
   in.get();
   std::vector<unsigned char> bytes(size_t(w) * h * 3);
   if (magic != "P6" || fw != w || fh != h || most != 255 ||
       !in.read(reinterpret_cast<char *>(bytes.data()), std::streamsize(bytes.size())))
      return {};
   std::vector<uint32_t> pixels(size_t(w) * h);
   for (size_t k = 0; k < pixels.size(); k++)
      pixels[k] = uint32_t(bytes[3 * k]) << 16 | uint32_t(bytes[3 * k + 1]) << 8 | bytes[3 * k + 2];
   return pixels;
}

// The clip's frames against the lossless frames: exact ones, the lowest
// PSNR, shimmering pixels.
void compareQuality(const std::string &gif, const std::string &frames)
{
   GifSequencePtr sequence(open_gif_sequence(gif.c_str()));
   if (!sequence) {
      printf("quality: cannot read %s\n", gif.c_str());
      return;
   }
   const int w = sequence->width, h = sequence->height;
   BitmapPtr canvas(create_bitmap_ex(32, w, h));
   std::vector<uint32_t> before, shownBefore;
   int exact = 0;
   long shimmer = 0;
   double lowest = INFINITY;
   for (int f = 0; f < sequence->frame_count; f++) {
      draw_gif_frame(sequence.get(), canvas.get(), f, 0, 0);
      char name[32];
      snprintf(name, sizeof name, "/%06d.ppm", f + 1);
      const std::vector<uint32_t> want = readPpm(frames + name, w, h);
      if (want.empty()) {
         printf("quality: cannot read frame %d of %s\n", f + 1, frames.c_str());
         return;
      }
      std::vector<uint32_t> shown(want.size());
      double squares = 0;
      for (int y = 0; y < h; y++) {
         for (int x = 0; x < w; x++) {
            const size_t k = size_t(y) * w + x;
            const int c = getpixel(canvas.get(), x, y);
            shown[k] = uint32_t(getr32(c)) << 16 | uint32_t(getg32(c)) << 8 | uint32_t(getb32(c));
            for (int shift : {0, 8, 16}) {
               const double d = double(int(shown[k] >> shift & 255) - int(want[k] >> shift & 255));
               squares += d * d;
            }
            if (f > 0 && want[k] == before[k] && shown[k] != shownBefore[k])
               shimmer++;
         }
      }
      if (squares == 0)
         exact++;
      else
         lowest = std::min(lowest, 10 * std::log10(255.0 * 255.0 * 3 * w * h / squares));
      before = want;
      shownBefore = shown;
   }
   printf("quality: %d of %d frames exact; the others at %.1f dB PSNR or more (goal 40); "
          "%ld shimmering pixels\n",
          exact, sequence->frame_count, lowest, shimmer);
}

// The longest interval between two frames of a busy game drawn as fast as
// the machine can for `seconds`, its ticks run as they come due.
double longestFrameInterval(double seconds)
{
   screenState = Playing;
   newGame();
   const double start = now();
   double last = start, longest = 0;
   long ticksRun = 0;
   while (last - start < seconds) {
      const long due = long((now() - start) * kTicksPerSecond);
      for (; ticksRun < due; ticksRun++)
         updateScreen();
      drawFrame();
      const double t = now();
      longest = std::max(longest, t - last);
      last = t;
   }
   return longest;
}

}  // namespace

int main(int argc, char **argv)
{
   if (argc < 2) {
      fprintf(stderr, "usage: capture_bench TOSSARO [--seconds N] [--play S]\n");
      return 2;
   }
   const std::string game = argv[1];
   int seconds = 60;
   double play = 5;
   for (int k = 2; k + 1 < argc; k += 2) {
      if (strcmp(argv[k], "--seconds") == 0)
         seconds = atoi(argv[k + 1]);
      else if (strcmp(argv[k], "--play") == 0)
         play = atof(argv[k + 1]);
   }
   const int unstarted = startHeadlessGame("capture_bench");
   if (unstarted)
      return unstarted;
   char made[] = "/tmp/capture_bench-XXXXXX";
   if (!mkdtemp(made))
      return 1;
   const std::string folder = made;

   // The longest of a few scripted games, up to the length asked.
   Replay longest;
   for (time_t seed = 1; seed <= 40 && longest.ticks < uint32_t(seconds) * kTicksPerSecond;
        seed++) {
      Replay replay = scriptedGame(seed * 1000, uint32_t(seconds) * kTicksPerSecond);
      if (replay.ticks > longest.ticks)
         longest = std::move(replay);
   }
   const std::string replay = folder + "/game.rpl";
   const std::vector<unsigned char> bytes = encodeReplay(longest);
   std::ofstream(replay, std::ios::binary)
      .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
   const double length = double(longest.ticks) / kTicksPerSecond;

   const Run whole = run({game, "--replay", replay, "--gif", folder + "/game.gif"});
   const Run first = run({game, "--replay", replay, "--gif", folder + "/first.gif", "--to", "10"});
   printf("speed: %.1f s of play to GIF in %.2f s (ratio %.3f; goal 0.167, excellent 0.050), "
          "%.2f s of CPU (ratio %.3f), %ld bytes\n",
          length, whole.wall, whole.wall / length, whole.cpu, whole.cpu / length,
          fileSize(folder + "/game.gif"));
   printf("memory: peak %.1f MB for %.1f s of play, %.1f MB for its first 10 s (goal: under 100 "
          "MB for five minutes)\n",
          whole.peakMB, length, first.peakMB);

   // The clip: the last ten seconds, as F9 makes it.
   const std::string from = std::to_string(length > 10 ? length - 10 : 0.0);
   const std::string clip = folder + "/clip.gif", frames = folder + "/frames";
   run({game, "--replay", replay, "--gif", clip, "--from", from.substr(0, from.find('.') + 3)});
   run(
      {game, "--replay", replay, "--frames", frames, "--from", from.substr(0, from.find('.') + 3)});
   const std::string unoptimized = folder + "/clip-U.gif", theirs = folder + "/clip-O3.gif";
   run({"/usr/bin/gifsicle", "--unoptimize", clip, "-o", unoptimized});
   run({"/usr/bin/gifsicle", "-O3", unoptimized, "-o", theirs});
   printf("size: clip %ld bytes, gifsicle -O3 of its frames %ld bytes (ratio %.2f; goal 1.00, "
          "excellent 0.90)\n",
          fileSize(clip), fileSize(theirs), double(fileSize(clip)) / double(fileSize(theirs)));
   compareQuality(clip, frames);

   // Play while a clip is made beside it, in turns with play alone, three
   // times: other work on the machine shows in both.
   for (int round = 1; round <= 3; round++) {
      const double alone = longestFrameInterval(play);
      const pid_t pid = fork();
      if (pid == 0) {
         // As the game starts a clip's process.
         setpriority(PRIO_PROCESS, 0, 19);
         const struct sched_param idle = {};
         sched_setscheduler(0, SCHED_IDLE, &idle);
         execl(game.c_str(), game.c_str(), "--replay", replay.c_str(), "--gif",
               (folder + "/beside.gif").c_str(), nullptr);
         _exit(127);
      }
      const double beside = longestFrameInterval(play);
      kill(pid, SIGTERM);
      int status;
      waitpid(pid, &status, 0);
      printf("play %d: longest frame interval %.1f ms alone, %.1f ms while a clip is made (a "
             "tick is 10 ms)\n",
             round, alone * 1e3, beside * 1e3);
   }

   std::filesystem::remove_all(folder);
   freeAssets();
   return 0;
}
