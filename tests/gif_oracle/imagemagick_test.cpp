// Files written by ImageMagick's GIF encoder: quantised stills, drawings
// with transparency, hand-placed animations and its layer optimisers.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

// Noise in true colour: quantising it with dithering leaves little for
// LZW to compress.
void noise_ppm(const std::string &path, int width, int height, unsigned seed)
{
   std::mt19937 rng(seed);
   std::vector<uint32_t> rgb(size_t(width) * height);
   for (uint32_t &c : rgb)
      c = rng() & 0xffffff;
   write_ppm(path, width, height, rgb);
}

}  // namespace

// Plasma and noise quantised to 2..256 colours at sizes from 1x1 up,
// half of them interlaced; ImageMagick's reading is a second oracle.
TEST(ImageMagickWritten, QuantisedStills)
{
   Scratch scratch;
   const int colours[] = {2, 3, 4, 7, 8, 16, 17, 64, 128, 200, 256};
   const int sizes[][2] = {{1, 1}, {3, 2}, {16, 16}, {97, 61}, {1, 40}, {40, 1}, {250, 170}};
   int n = 0;
   for (int c : colours) {
      for (int source = 0; source < 2; source++, n++) {
         const int *size = sizes[n % 7];
         const std::string dims = std::to_string(size[0]) + "x" + std::to_string(size[1]);
         SCOPED_TRACE(std::to_string(c) + " colours, " + dims + (source ? " noise" : " plasma"));
         const std::string gif = scratch.path("still-" + std::to_string(n) + ".gif");
         std::string input = "-seed " + std::to_string(n) + " -size " + dims + " plasma:";
         if (source) {
            noise_ppm(scratch.path("noise.ppm"), size[0], size[1], unsigned(n));
            input = "'" + scratch.path("noise.ppm") + "'";
         }
         const std::string interlace = n % 2 ? " -interlace GIF" : "";
         ASSERT_TRUE(magick(input + " -colors " + std::to_string(c) + interlace + " '" + gif +
                            "'"));
         EXPECT_TRUE(codec_matches_giflib(gif));
         EXPECT_TRUE(codec_matches_imagemagick(gif, scratch.path("still.pam")));
      }
   }
}

// Drawings on a transparent canvas: the transparent index is whatever
// ImageMagick picks, and those pixels stay the mask colour.
TEST(ImageMagickWritten, TransparentStills)
{
   Scratch scratch;
   const std::string shapes[] = {
      "-size 40x30 xc:none -fill red -draw 'circle 20 15 20 5' -fill '#3080c0' "
      "-draw 'rectangle 0 0 8 8'",
      "-size 64x64 xc:none -fill '#102030' -draw 'polygon 0,0 63,10 20,63' -fill yellow "
      "-draw 'ellipse 40 40 15 9 0 360'",
      "-seed 3 -size 50x45 plasma: -colors 16 -fuzz 20% -transparent '#808080'",
      "-size 1x1 xc:none",
      "-size 33x7 gradient:red-blue -colors 5 -transparent blue",
   };
   int n = 0;
   for (const std::string &shape : shapes) {
      SCOPED_TRACE(shape);
      const std::string gif = scratch.path("transparent-" + std::to_string(n++) + ".gif");
      ASSERT_TRUE(magick(shape + " '" + gif + "'"));
      EXPECT_TRUE(codec_matches_giflib(gif));
   }
}

// Frames of different palettes (so local tables), placed by hand inside,
// across and beyond the screen edges, under each disposal ImageMagick
// writes, with and without transparent parts.
TEST(ImageMagickWritten, PlacedAnimationsWithEveryDisposal)
{
   Scratch scratch;
   const std::string base = quoted(scratch.path("base.gif")), a = quoted(scratch.path("a.gif")),
                     b = quoted(scratch.path("b.gif")), c = quoted(scratch.path("c.gif"));
   ASSERT_TRUE(magick("-seed 1 -size 60x40 plasma: -colors 32 " + base));
   ASSERT_TRUE(magick("-seed 2 -size 20x14 plasma: -colors 8 " + a));
   ASSERT_TRUE(magick("-size 25x25 xc:none -fill '#20f040' -draw 'circle 12 12 12 3' "
                      "-fill '#a01010' -draw 'rectangle 0 0 5 24' " + b));
   ASSERT_TRUE(magick("-seed 3 -size 30x9 plasma: -colors 100 " + c));
   const std::string disposals[] = {"Undefined", "None", "Background", "Previous"};
   for (const std::string &disposal : disposals)
      for (int interlaced = 0; interlaced < 2; interlaced++) {
         SCOPED_TRACE(disposal + (interlaced ? " interlaced" : ""));
         const std::string gif = scratch.path("placed-" + disposal + std::to_string(interlaced) +
                                              ".gif");
         // The last frame sits across the bottom right corner of the screen.
         ASSERT_TRUE(magick(std::string(interlaced ? "-interlace GIF " : "") + "-dispose " +
                            disposal + " -delay 4 -loop 3 -page 60x40+0+0 " + base +
                            " -page +5+3 " + a + " -page +30+10 " + b + " -page +0+20 " + c +
                            " -page +45+30 " + b + " " + quoted(gif)));
         EXPECT_TRUE(codec_matches_giflib(gif));
      }
   // A first frame that leaves most of the screen uncovered.
   const std::string sparse = scratch.path("sparse.gif");
   ASSERT_TRUE(magick("-dispose Background -page 50x50+10+10 " + a +
                      " -dispose Previous -page +20+30 " + b + " -dispose None -page +0+0 " + c +
                      " " + quoted(sparse)));
   EXPECT_TRUE(codec_matches_giflib(sparse));
}

// A coalesced animation handed to ImageMagick's layer optimisers, which
// cut frames down to changed rectangles and choose disposals and
// transparency themselves.
TEST(ImageMagickWritten, OptimisedLayers)
{
   Scratch scratch;
   std::string frames;
   for (int k = 0; k < 6; k++) {
      const int x = 5 + 9 * k, y = 4 + 5 * k;
      frames += " \\( -seed 9 -size 80x60 plasma: -fill '#" + std::string(k % 2 ? "ff8000" : "0080ff") +
                "' -draw 'circle " + std::to_string(x) + " " + std::to_string(y) + " " +
                std::to_string(x + 6) + " " + std::to_string(y) + "' \\)";
   }
   ASSERT_TRUE(magick(frames + " -colors 64 -delay 5 '" + scratch.path("coalesced.gif") + "'"));
   EXPECT_TRUE(codec_matches_giflib(scratch.path("coalesced.gif")));
   const std::string methods[] = {"Optimize", "OptimizePlus", "OptimizeTransparency",
                                  "OptimizeFrame"};
   for (const std::string &method : methods) {
      SCOPED_TRACE(method);
      const std::string gif = scratch.path(method + ".gif");
      ASSERT_TRUE(magick("'" + scratch.path("coalesced.gif") + "' -layers " + method + " '" +
                         gif + "'"));
      EXPECT_TRUE(codec_matches_giflib(gif));
   }

   // Shapes on a transparent canvas: optimising these needs disposal.
   std::string sprites;
   for (int k = 0; k < 5; k++)
      sprites += " \\( -size 48x32 xc:none -fill '#40c020' -draw 'rectangle " +
                 std::to_string(4 * k) + " " + std::to_string(3 * k) + " " +
                 std::to_string(4 * k + 15) + " " + std::to_string(3 * k + 10) + "' \\)";
   for (const std::string &method : methods) {
      SCOPED_TRACE("sprites, " + method);
      const std::string gif = scratch.path("sprites-" + method + ".gif");
      ASSERT_TRUE(magick(sprites + " -layers " + method + " '" + gif + "'"));
      EXPECT_TRUE(codec_matches_giflib(gif));
   }
}
