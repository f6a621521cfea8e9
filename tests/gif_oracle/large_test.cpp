// Full-HD files: the largest the game is likely to meet. Slow under the
// sanitizers, so this executable is labelled "slow".
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

// 1920x1080 stills: noise over 256 colours (the dictionary refills
// hundreds of times), interlaced, and the same picture re-encoded by
// gifsicle and quantised by ImageMagick; ImageMagick also reads them.
TEST(LargeFiles, FullHdStills)
{
   Scratch scratch;
   std::mt19937 rng(41);
   GifPlan plan(1920, 1080, random_table(rng, 256));
   plan.frames.push_back(frame_at(rng, 0, 0, 1920, 1080, 256, Pattern::noise));
   const std::string noise = write_with_giflib(scratch.path("noise.gif"), plan);
   EXPECT_TRUE(codec_matches_giflib(noise));
   EXPECT_TRUE(codec_matches_imagemagick(noise, scratch.path("out.pam")));

   plan.frames[0] = frame_at(rng, 0, 0, 1920, 1080, 256, Pattern::mixed);
   plan.frames[0].interlaced = true;
   const std::string interlaced = write_with_giflib(scratch.path("interlaced.gif"), plan);
   EXPECT_TRUE(codec_matches_giflib(interlaced));

   const std::string sicle = scratch.path("gifsicle.gif");
   ASSERT_TRUE(gifsicle("-O3 " + quoted(interlaced), sicle));
   EXPECT_TRUE(codec_matches_giflib(sicle));

   const std::string plasma = scratch.path("plasma.gif");
   ASSERT_TRUE(magick("-seed 2 -size 1920x1080 plasma: -colors 256 " + quoted(plasma)));
   EXPECT_TRUE(codec_matches_giflib(plasma));
   EXPECT_TRUE(codec_matches_imagemagick(plasma, scratch.path("out.pam")));
}

// A 1920x1080 animation of large frames at offsets, over the edges,
// with every disposal and transparency, then optimised by gifsicle.
TEST(LargeFiles, FullHdAnimation)
{
   Scratch scratch;
   std::mt19937 rng(42);
   GifPlan plan(1920, 1080, random_table(rng, 64), 0);
   const int layout[][5] = {{0, 0, 1920, 1080, 1},   {100, 50, 900, 700, 3},
                            {1500, 800, 600, 400, 2}, {300, 600, 1000, 480, 3},
                            {0, 0, 1920, 200, 0},     {1000, 100, 800, 900, 1}};
   int k = 0;
   for (const auto &l : layout) {
      FramePlan f = frame_at(rng, l[0], l[1], l[2], l[3], k == 2 ? 256 : 64,
                             k % 2 ? Pattern::runs : Pattern::stripes);
      if (k == 2)
         f.local = random_table(rng, 256);
      f.interlaced = k == 3;
      plan.frames.push_back(with_control(f, l[4], k ? 5 : -1));
      k++;
   }
   const std::string anim = write_with_giflib(scratch.path("anim.gif"), plan);
   EXPECT_TRUE(codec_matches_giflib(anim));
   const std::string sicle = scratch.path("gifsicle.gif");
   ASSERT_TRUE(gifsicle("-O2 " + quoted(anim), sicle));
   EXPECT_TRUE(codec_matches_giflib(sicle));
}
