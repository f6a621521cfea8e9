// Full-HD files: the largest the game is likely to meet. Slow under the
// sanitizers, so this executable is labelled "slow".
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

FramePlan frame(std::mt19937 &rng, int x, int y, int width, int height, int colours,
                Pattern pattern)
{
   FramePlan f;
   f.x = x;
   f.y = y;
   f.width = width;
   f.height = height;
   f.pixels = make_pixels(rng, pattern, width, height, colours);
   return f;
}

}  // namespace

// 1920x1080 stills: noise over 256 colours (the dictionary refills
// hundreds of times), interlaced, and the same picture re-encoded by
// gifsicle and quantised by ImageMagick; ImageMagick also reads them.
TEST(LargeFiles, FullHdStills)
{
   Scratch scratch;
   std::mt19937 rng(41);
   GifPlan plan;
   plan.width = 1920;
   plan.height = 1080;
   plan.global = random_table(rng, 256);
   plan.frames.push_back(frame(rng, 0, 0, 1920, 1080, 256, Pattern::noise));
   const std::string noise = scratch.path("noise.gif");
   write_with_giflib(noise, plan);
   EXPECT_TRUE(codec_matches_giflib(noise));
   EXPECT_TRUE(codec_matches_imagemagick(noise, scratch.path("out.pam")));

   plan.frames[0] = frame(rng, 0, 0, 1920, 1080, 256, Pattern::mixed);
   plan.frames[0].interlaced = true;
   const std::string interlaced = scratch.path("interlaced.gif");
   write_with_giflib(interlaced, plan);
   EXPECT_TRUE(codec_matches_giflib(interlaced));

   const std::string sicle = scratch.path("gifsicle.gif");
   ASSERT_TRUE(run_ok(std::string(GIFSICLE) + " -O3 '" + interlaced + "' -o '" + sicle + "'"));
   EXPECT_TRUE(codec_matches_giflib(sicle));

   const std::string plasma = scratch.path("plasma.gif");
   ASSERT_TRUE(magick("-seed 2 -size 1920x1080 plasma: -colors 256 '" +
                      plasma + "'"));
   EXPECT_TRUE(codec_matches_giflib(plasma));
   EXPECT_TRUE(codec_matches_imagemagick(plasma, scratch.path("out.pam")));
}

// A 1920x1080 animation of large frames at offsets, over the edges,
// with every disposal and transparency, then optimised by gifsicle.
TEST(LargeFiles, FullHdAnimation)
{
   Scratch scratch;
   std::mt19937 rng(42);
   GifPlan plan;
   plan.width = 1920;
   plan.height = 1080;
   plan.global = random_table(rng, 64);
   plan.loop = 0;
   const int layout[][5] = {{0, 0, 1920, 1080, 1},   {100, 50, 900, 700, 3},
                            {1500, 800, 600, 400, 2}, {300, 600, 1000, 480, 3},
                            {0, 0, 1920, 200, 0},     {1000, 100, 800, 900, 1}};
   int k = 0;
   for (const auto &l : layout) {
      FramePlan f = frame(rng, l[0], l[1], l[2], l[3], k == 2 ? 256 : 64,
                          k % 2 ? Pattern::runs : Pattern::stripes);
      if (k == 2)
         f.local = random_table(rng, 256);
      f.control = true;
      f.disposal = l[4];
      f.transparent = k ? 5 : -1;
      f.interlaced = k == 3;
      plan.frames.push_back(f);
      k++;
   }
   const std::string anim = scratch.path("anim.gif");
   write_with_giflib(anim, plan);
   EXPECT_TRUE(codec_matches_giflib(anim));
   const std::string sicle = scratch.path("gifsicle.gif");
   ASSERT_TRUE(run_ok(std::string(GIFSICLE) + " -O2 '" + anim + "' -o '" + sicle + "'"));
   EXPECT_TRUE(codec_matches_giflib(sicle));
}
