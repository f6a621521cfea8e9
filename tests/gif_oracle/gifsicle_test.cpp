// Files re-encoded by gifsicle, whose LZW encoder and animation optimiser
// differ from giflib's and ImageMagick's.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

// Full-screen frames of blocks moving over a fixed backdrop: what an
// optimiser turns into small frames, transparency and disposals. With
// `clear_backdrop` the backdrop is the transparent index instead.
GifPlan coalesced(std::mt19937 &rng, int width, int height, int frames, bool clear_backdrop)
{
   GifPlan plan(width, height, random_table(rng, 32), 0);
   const std::vector<unsigned char> backdrop =
      make_pixels(rng, Pattern::stripes, width, height, 24);
   for (int k = 0; k < frames; k++) {
      FramePlan f;
      f.width = width;
      f.height = height;
      f.control = true;
      f.delay = 4;
      f.pixels = backdrop;
      if (clear_backdrop) {
         f.transparent = 31;
         std::fill(f.pixels.begin(), f.pixels.end(), 31);
      }
      for (int b = 0; b < 3; b++) {
         const int bx = (k * (3 + b * 2) + b * 11) % width, by = (k * (2 + b) + b * 7) % height;
         for (int y = by; y < std::min(height, by + 8 + b * 2); y++)
            for (int x = bx; x < std::min(width, bx + 10); x++)
               f.pixels[size_t(y) * width + x] = (unsigned char)(24 + b * 2 + (x + y) % 2);
      }
      plan.frames.push_back(f);
   }
   return plan;
}

}  // namespace

// Stills through gifsicle's re-encoding, colour reduction, interlacing,
// lossy compression and transparency; the opaque ones are also checked
// against ImageMagick.
TEST(GifsicleWritten, ReencodedStills)
{
   Scratch scratch;
   std::mt19937 rng(21);
   std::vector<std::string> sources;
   const struct {
      int width, height, table;
      Pattern pattern;
   } inputs[] = {{200, 150, 256, Pattern::noise}, {97, 45, 16, Pattern::runs},
                 {64, 64, 2, Pattern::mixed},     {1, 1, 4, Pattern::noise}};
   for (const auto &in : inputs)
      sources.push_back(
         write_with_giflib(scratch.path("source-" + std::to_string(sources.size()) + ".gif"),
                           still(rng, in.width, in.height, in.table, in.table, in.pattern)));
   const struct {
      const char *options;
      bool opaque;
   } variants[] = {
      {"", true},           {"-O3", true},         {"--colors 64", true},
      {"--colors 3", true}, {"-i", true},          {"--careful", true},
      {"--lossy=80", true}, {"--use-colormap gray", true},
      {"-t 1", false},      {"-i -t 0 -O2", false},
   };
   int n = 0;
   for (const std::string &source : sources)
      for (const auto &variant : variants) {
         SCOPED_TRACE(source + " " + variant.options);
         const std::string out = scratch.path("out-" + std::to_string(n++) + ".gif");
         ASSERT_TRUE(gifsicle(std::string(variant.options) + " " + quoted(source), out));
         EXPECT_TRUE(codec_matches_giflib(out));
         if (variant.opaque && source != sources[0]) {
            EXPECT_TRUE(codec_matches_imagemagick(out, scratch.path("still.pam")));
         }
      }
   // The noise still through ImageMagick once is enough: it is slow to read.
   EXPECT_TRUE(codec_matches_imagemagick(scratch.path("out-0.gif"), scratch.path("still.pam")));
}

// gifsicle's optimiser on coalesced animations, opaque and over a
// transparent backdrop: small frames, transparency and disposals of its
// choosing, also interlaced, lossy and with fewer colours.
TEST(GifsicleWritten, OptimisedAnimations)
{
   Scratch scratch;
   std::mt19937 rng(22);
   const std::string opaque =
      write_with_giflib(scratch.path("opaque.gif"), coalesced(rng, 70, 50, 8, false));
   const std::string sprites =
      write_with_giflib(scratch.path("sprites.gif"), coalesced(rng, 64, 40, 7, true));
   const char *options[] = {"-O1", "-O2", "-O3", "-O3 --lossy=40", "-O2 -i", "-O2 --colors 8",
                            "-O2 -D previous", "-O2 -D background"};
   int n = 0;
   for (const std::string &source : {opaque, sprites})
      for (const char *option : options) {
         SCOPED_TRACE(source + " " + option);
         const std::string out = scratch.path("opt-" + std::to_string(n++) + ".gif");
         ASSERT_TRUE(gifsicle(std::string(option) + " " + quoted(source), out));
         EXPECT_TRUE(codec_matches_giflib(out));
      }
   // Undoing an optimisation gives full frames again.
   const std::string undone = scratch.path("undone.gif");
   ASSERT_TRUE(gifsicle("-U " + quoted(scratch.path("opt-10.gif")), undone));
   EXPECT_TRUE(codec_matches_giflib(undone));
}

// Frames merged from files whose palettes cannot share one table (two
// full 256-colour ones), so gifsicle writes local tables, placed at
// offsets with explicit disposals.
TEST(GifsicleWritten, MergedFramesWithLocalTables)
{
   Scratch scratch;
   std::mt19937 rng(23);
   const std::string a = scratch.path("a.gif"), b = scratch.path("b.gif"),
                     c = scratch.path("c.gif"), d = scratch.path("d.gif");
   write_with_giflib(a, still(rng, 60, 40, 256, 256, Pattern::noise));
   write_with_giflib(b, still(rng, 30, 20, 256, 256, Pattern::runs));
   write_with_giflib(c, still(rng, 12, 30, 4, 4, Pattern::noise));
   write_with_giflib(d, still(rng, 25, 9, 64, 64, Pattern::stripes));
   const std::string disposals[] = {"none", "asis", "background", "previous"};
   for (const std::string &disposal : disposals) {
      SCOPED_TRACE(disposal);
      const std::string out = scratch.path("merged-" + disposal + ".gif");
      ASSERT_TRUE(gifsicle("--loopcount=2 --delay 6 " + quoted(a) + " -D " + disposal +
                              " -p 10,5 " + quoted(b) + " -D " + disposal + " -p 40,2 -t 2 " +
                              quoted(c) + " -D previous -p 3,25 " + quoted(d) + " -D bg -p 20,20 " +
                              quoted(b) + " -p 0,0 -t 0 " + quoted(c),
                           out));
      EXPECT_TRUE(codec_matches_giflib(out));
   }
}
