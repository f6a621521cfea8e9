// Reading the settings file at start-up: one as --write-config writes it,
// and the worst the game still takes, 64 KiB of short entries that each
// get a line of their own, ended by a newline or by a carriage return
// (the library's reader, given a whole file, takes time that grows with
// the square of its entries: seconds for this one).
#include <allegro.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/settings.h"
#include "files/replacement_file.h"

namespace {

void read(benchmark::State &state, const std::string &text)
{
   char folder[] = "/tmp/settings_bench.XXXXXX";
   if (!mkdtemp(folder)) {
      state.SkipWithError("cannot make a folder");
      return;
   }
   const std::string path = std::string(folder) + "/tossaro.cfg";
   replace_file(path, std::vector<unsigned char>(text.begin(), text.end()));
   size_t problems = 0;
   for (auto _ : state) {
      Options options;
      problems = readSettings(path, &options).problems.size();
   }
   state.counters["problems"] = double(problems);
   state.counters["bytes"] = double(text.size());
   unlink(path.c_str());
   rmdir(folder);
}

void WrittenFile(benchmark::State &state)
{
   read(state, settingsText(Options()));
}

std::string largestFile(char end = '\n')
{
   std::string text;
   for (int i = 0; text.size() < kMostSettingsBytes; i++)
      text += "k" + std::to_string(i) + "=" + end;
   text.resize(kMostSettingsBytes);
   return text;
}

void LargestFileOfShortEntries(benchmark::State &state)
{
   read(state, largestFile());
}

void LargestFileOfCarriageReturns(benchmark::State &state)
{
   read(state, largestFile('\r'));
}

// The same file given to the library whole, each entry listed and read.
void LargestFileReadWhole(benchmark::State &state)
{
   const std::string text = largestFile();
   for (auto _ : state) {
      set_config_data(text.data(), int(text.size()));
      const char **names = nullptr;
      const int count = list_config_entries(nullptr, &names);
      for (int i = 0; i < count; i++)
         benchmark::DoNotOptimize(get_config_string(nullptr, names[i], nullptr));
      free_config_entries(&names);
   }
}

BENCHMARK(WrittenFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(LargestFileOfShortEntries)->Unit(benchmark::kMillisecond);
BENCHMARK(LargestFileOfCarriageReturns)->Unit(benchmark::kMillisecond);
BENCHMARK(LargestFileReadWhole)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char **argv)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   benchmark::Initialize(&argc, argv);
   benchmark::RunSpecifiedBenchmarks();
   return 0;
}
