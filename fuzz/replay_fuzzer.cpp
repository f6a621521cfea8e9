// Arbitrary bytes through the replay reader. Beyond what the sanitizers
// see, it traps on broken promises of its header: a fault comes with its
// one line and only a fault does; a replay read whole has runs that add
// up to its ticks and one check value for each 100 ticks, and written
// again it reads back the same; and reading never holds more than three
// times the input's size at once, besides its two short texts.

#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cstdint>
#include <cstring>

#include "fuzz_check.h"
#include "replay/replay_file.h"

namespace {

// The game's version and the name: at most 255 bytes each, and their
// strings' own overhead.
const long TEXTS = 2 * 256 + 64;

std::atomic<bool> tracking(false);
std::atomic<long> held(0), peak(0);

void on_malloc(const volatile void *, size_t size)
{
   if (!tracking.load(std::memory_order_relaxed))
      return;
   const long now = held.fetch_add(long(size), std::memory_order_relaxed) + long(size);
   long before = peak.load(std::memory_order_relaxed);
   while (now > before && !peak.compare_exchange_weak(before, now)) {
   }
}

void on_free(const volatile void *p)
{
   if (tracking.load(std::memory_order_relaxed))
      held.fetch_sub(long(__sanitizer_get_allocated_size(const_cast<const void *>(p))),
                     std::memory_order_relaxed);
}

bool same(const Replay &a, const Replay &b)
{
   bool runs = a.runs.size() == b.runs.size();
   for (size_t i = 0; runs && i < a.runs.size(); i++)
      runs = a.runs[i].actions == b.runs[i].actions && a.runs[i].ticks == b.runs[i].ticks;
   return runs && a.gameVersion == b.gameVersion && a.name == b.name && a.ticks == b.ticks &&
          a.finalScore == b.finalScore && a.endedByGameOver == b.endedByGameOver &&
          a.checks == b.checks && a.start.seed == b.start.seed &&
          a.start.startTime == b.start.startTime && a.start.actions == b.start.actions &&
          a.start.withinTick == b.start.withinTick &&
          memcmp(&a.start.left, &b.start.left, sizeof(Hand)) == 0 &&
          memcmp(&a.start.right, &b.start.right, sizeof(Hand)) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
   CHECK(__sanitizer_install_malloc_and_free_hooks(on_malloc, on_free));
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
   held = 0;
   peak = 0;
   tracking = true;
   const ReplayReading reading = decodeReplay(data, size);
   tracking = false;
   CHECK(peak <= 3 * long(size) + TEXTS);
   CHECK((reading.fault == ReplayFault::None) == describeFault(reading).empty());
   if (reading.fault != ReplayFault::None)
      return 0;
   const Replay &replay = reading.replay;
   uint64_t total = 0;
   for (const ActionRun &run : replay.runs)
      total += run.ticks;
   CHECK(total == replay.ticks);
   CHECK(replay.checks.size() == replay.ticks / Replay::kCheckEvery);
   const std::vector<unsigned char> again = encodeReplay(replay);
   const ReplayReading back = decodeReplay(again.data(), again.size());
   CHECK(back.fault == ReplayFault::None);
   CHECK(same(back.replay, replay));
   return 0;
}
