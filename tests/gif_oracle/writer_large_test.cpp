// Our writer on 12-megapixel stills, read back everywhere. Slow under the
// sanitizers, so these run in the "slow" executable.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "oracle.h"
#include "support/scratch.h"
#include "writer_check.h"

using namespace writer_check;
using oracle::Pattern;

// Noise over every value (the dictionary is cleared thousands of times),
// long runs of two values, few values in mixed rows, and one value
// everywhere: 4096x2048 of it takes the dictionary just past full once.
TEST(WriterLargeFiles, TwelveMegapixelStills)
{
   Scratch scratch;
   std::mt19937 rng(1001);
   // A batch of its own for each file, so that one picture is held at a time.
   const auto write = [&](const std::string &name, std::unique_ptr<Sequence> sequence) {
      return Batch(scratch).write(name, std::move(sequence));
   };
   write("noise.gif", still(rng, 4000, 3000, 256,
                            oracle::make_pixels(rng, Pattern::noise, 4000, 3000, 256), false));
   write("runs.gif", still(rng, 4000, 3000, 2, long_runs(rng, 4000 * 3000, 2, 20000), true));
   write("mixed.gif", still(rng, 3000, 4000, 17,
                            oracle::make_pixels(rng, Pattern::mixed, 3000, 4000, 17), false));
   const StreamFacts facts =
      write("constant.gif", still(rng, 4096, 2048, 8, constant_pixels(4096 * 2048, 5), true));
   ASSERT_EQ(facts.images.size(), 1u);
   EXPECT_EQ(facts.images[0].clears, 1) << "meant to fill the dictionary once";
}
