// Replays: --verify of each recorded game of tests/replays against the
// game time it holds (how many times faster than real time the logic
// plays), the long one checked on one thread and on two at once (each
// thread its own game: the games checked a second), the bytes a minute of play takes, what
// recording costs a tick, and how long a replay's save takes (which the game never makes while a
// game is in play). The figures are printed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "files/replacement_file.h"
#include "replay/playback.h"
#include "replay/recorder.h"

namespace {

const char *const kGames[] = {"short", "long", "pad"};

std::map<std::string, Replay> replays;
std::map<std::string, size_t> sizes;

void Verify(benchmark::State &state, const std::string &name)
{
   const Replay &replay = replays[name];
   for (auto _ : state) {
      const std::string drift = verifyReplay(replay);
      if (!drift.empty())
         state.SkipWithError(drift.c_str());
   }
   const double gameSeconds = replay.ticks / 100.0;
   state.counters["x real time"] =
      benchmark::Counter(gameSeconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

// The long game checked again and again on each thread: with a game each,
// the threads never wait for one another.
void VerifyAtOnce(benchmark::State &state)
{
   const Replay &replay = replays["long"];
   for (auto _ : state) {
      const std::string drift = verifyReplay(replay);
      if (!drift.empty())
         state.SkipWithError(drift.c_str());
   }
   state.counters["games/s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// One tick's recording: a run grown or begun, and a check value every
// 100 ticks.
void RecordTick(benchmark::State &state)
{
   Recorder recorder("bench");
   Game game(replays["long"].start);
   recorder.started(game, replays["long"].start);
   ActionSet actions = 0;
   int tick = 0;
   for (auto _ : state) {
      // The keys change every 30 ticks, as a player's do often.
      if (++tick % 30 == 0)
         actions ^= 1u << (tick / 30 % 8);
      recorder.ticked(game, actions, false);
   }
}

// A replay written whole through a temporary file, synced and renamed.
void SaveReplay(benchmark::State &state)
{
   const std::vector<unsigned char> bytes = encodeReplay(replays["long"]);
   char folder[] = "/tmp/replay-bench-XXXXXX";
   if (!mkdtemp(folder)) {
      state.SkipWithError("no scratch folder");
      return;
   }
   const std::string file = std::string(folder) + "/last.rpl";
   for (auto _ : state) {
      const std::string problem = replace_file(file, bytes);
      if (!problem.empty())
         state.SkipWithError(problem.c_str());
   }
   unlink(file.c_str());
   rmdir(folder);
}

}  // namespace

int main(int argc, char **argv)
{
   for (const char *name : kGames) {
      const std::string path = std::string(TOSSARO_SOURCE_DIR) + "/tests/replays/" + name + ".rpl";
      std::string problem;
      const ReplayReading reading = readReplayFile(path, &problem);
      if (!problem.empty()) {
         fprintf(stderr, "replay_bench: %s\n", problem.c_str());
         return 1;
      }
      replays[name] = reading.replay;
      sizes[name] = encodeReplay(reading.replay).size();
      benchmark::RegisterBenchmark(("Verify/" + std::string(name)).c_str(),
                                   [name](benchmark::State &s) { Verify(s, name); })
         ->Unit(benchmark::kMillisecond);
   }
   benchmark::RegisterBenchmark("VerifyAtOnce/long", VerifyAtOnce)
      ->Threads(1)
      ->Threads(2)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
   benchmark::RegisterBenchmark("RecordTick", RecordTick);
   benchmark::RegisterBenchmark("SaveReplay", SaveReplay)->Unit(benchmark::kMillisecond);
   benchmark::Initialize(&argc, argv);
   benchmark::RunSpecifiedBenchmarks();
   for (const char *name : kGames) {
      const Replay &r = replays[name];
      printf("%s.rpl: %zu bytes for %s of play: %.0f bytes a minute\n", name, sizes[name],
             playingTime(r.ticks).c_str(), double(sizes[name]) * 6000.0 / r.ticks);
   }
   return 0;
}
