// Files written by giflib's encoder, shaped exactly as each case needs,
// decoded by our codec and by giflib.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "oracle.h"
#include "support/gif_bytes.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

// An opaque screen-filling first frame, so that later frames and their
// disposals have something visible to cover and restore.
GifPlan backdrop(std::mt19937 &rng, int width, int height, int table)
{
   GifPlan plan = still(rng, width, height, table, table, Pattern::stripes);
   plan.loop = 0;
   return plan;
}

}  // namespace

// Table sizes 2..256 give minimum code sizes 2..8; the colours used need
// not fill the table. ImageMagick's reading of these opaque stills is a
// second oracle.
TEST(GiflibWritten, StillsAtEveryTableSizeAndCodeSize)
{
   Scratch scratch;
   std::mt19937 rng(1);
   const int sizes[][2] = {{1, 1}, {2, 1}, {1, 3}, {5, 4}, {17, 9}, {64, 48}, {131, 77}, {3, 250}};
   const Pattern patterns[] = {Pattern::noise, Pattern::runs, Pattern::stripes};
   for (int bits = 1; bits <= 8; bits++) {
      for (int k = 0; k < 3; k++) {
         const int table = 1 << bits;
         const int colours = k == 1 ? std::max(2, table / 2 + 1) : table;
         const int *size = sizes[(bits + 3 * k) % 8];
         SCOPED_TRACE("table " + std::to_string(table) + ", colours " + std::to_string(colours) +
                      ", " + std::to_string(size[0]) + "x" + std::to_string(size[1]));
         const std::string path =
            scratch.path("still-" + std::to_string(bits) + "-" + std::to_string(k) + ".gif");
         write_with_giflib(path, still(rng, size[0], size[1], table, colours, patterns[k]));
         EXPECT_EQ(min_code_sizes(path), std::vector<int>{std::max(2, bits)});
         EXPECT_EQ(read_file(path)[4], '7');  // GIF87a: no extension at all
         EXPECT_TRUE(codec_matches_giflib(path));
         EXPECT_TRUE(codec_matches_imagemagick(path, scratch.path("still.pam")));
      }
   }
}

// Noise over 256 colours fills the 4096-code dictionary many times over;
// long thin images put row ends in awkward places.
TEST(GiflibWritten, LargerAndOddlyShapedStills)
{
   Scratch scratch;
   std::mt19937 rng(2);
   struct Case {
      int width, height, table, colours;
      Pattern pattern;
   } cases[] = {
      {640, 480, 256, 256, Pattern::noise}, {640, 480, 256, 200, Pattern::runs},
      {333, 211, 16, 16, Pattern::mixed},   {1000, 2, 4, 3, Pattern::noise},
      {2, 1000, 128, 128, Pattern::noise},  {4095, 1, 256, 256, Pattern::stripes},
      {1, 4097, 2, 2, Pattern::runs},
   };
   int n = 0;
   for (const Case &c : cases) {
      SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
      EXPECT_TRUE(codec_matches_giflib(
         write_with_giflib(scratch.path("large-" + std::to_string(n++) + ".gif"),
                           still(rng, c.width, c.height, c.table, c.colours, c.pattern))));
   }
}

// Indices at or past the end of the table in force are drawn black,
// unless they are the transparent index; with no table at all every
// pixel is black.
TEST(GiflibWritten, IndicesPastTheTableAreBlack)
{
   Scratch scratch;
   std::mt19937 rng(3);

   // A two-entry table still has a minimum code size of 2: indices 2 and 3.
   EXPECT_TRUE(codec_matches_giflib(
      write_with_giflib(scratch.path("global.gif"), still(rng, 23, 11, 2, 4, Pattern::noise))));

   GifPlan local = backdrop(rng, 30, 20, 256);
   FramePlan small = frame_at(rng, 4, 3, 20, 12, 4, Pattern::noise);
   small.local = random_table(rng, 2);
   local.frames.push_back(small);
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("local.gif"), local)));

   // A transparent index past the table is transparent, not black.
   GifPlan past = backdrop(rng, 16, 16, 8);
   FramePlan over = frame_at(rng, 2, 2, 12, 12, 4, Pattern::noise);
   over.local = random_table(rng, 2);
   past.frames.push_back(with_control(over, 1, 3));
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("transparent-past.gif"), past)));

   // giflib's encoder insists on a table, so this one is built by hand.
   std::vector<int> pixels;
   for (int k = 0; k < 6 * 5; k++)
      pixels.push_back(k % 4);
   GifBytes bytes;
   bytes.header(6, 5).image(0, 0, 6, 5).data(2, raw_codes(2, pixels)).trailer();
   const std::string bare = scratch.write("no-table.gif", bytes.bytes);
   EXPECT_TRUE(codec_matches_giflib(bare));
}

// Every height up to 17 meets a different mix of the four interlace
// passes (some empty); the frames are also placed at offsets.
TEST(GiflibWritten, InterlacedImages)
{
   Scratch scratch;
   std::mt19937 rng(4);
   for (int height = 1; height <= 17; height++) {
      SCOPED_TRACE("height " + std::to_string(height));
      GifPlan plan = still(rng, 1 + height % 5 * 7, height, 16, 16, Pattern::mixed);
      plan.frames[0].interlaced = true;
      EXPECT_TRUE(codec_matches_giflib(
         write_with_giflib(scratch.path("interlaced-" + std::to_string(height) + ".gif"), plan)));
   }
   GifPlan big = still(rng, 211, 150, 64, 64, Pattern::noise);
   big.frames[0].interlaced = true;
   const std::string big_path = write_with_giflib(scratch.path("interlaced-big.gif"), big);
   EXPECT_TRUE(codec_matches_giflib(big_path));
   EXPECT_TRUE(codec_matches_imagemagick(big_path, scratch.path("big.pam")));

   GifPlan anim = backdrop(rng, 40, 40, 32);
   for (int k = 0; k < 4; k++) {
      FramePlan f = frame_at(rng, 3 * k + 1, 5 * k, 9 + k * 5, 6 + k * 7, 32);
      f.interlaced = true;
      anim.frames.push_back(with_control(f, k % 4, k % 2 ? 5 : -1));
   }
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("interlaced-anim.gif"), anim)));
}

// Transparent pixels of a first frame stay the mask colour; in later
// frames they leave what is beneath.
TEST(GiflibWritten, TransparentPixels)
{
   Scratch scratch;
   std::mt19937 rng(5);
   for (int bits = 1; bits <= 8; bits += 3) {
      SCOPED_TRACE("table bits " + std::to_string(bits));
      GifPlan plan = still(rng, 37, 21, 1 << bits, 1 << bits, Pattern::runs);
      plan.frames[0] = with_control(plan.frames[0], 0, int(rng() % (1u << bits)));
      EXPECT_TRUE(codec_matches_giflib(
         write_with_giflib(scratch.path("transparent-" + std::to_string(bits) + ".gif"), plan)));
   }
   GifPlan anim = backdrop(rng, 50, 30, 16);
   anim.frames[0] = with_control(anim.frames[0], 1, 0);
   for (int k = 0; k < 5; k++)
      anim.frames.push_back(
         with_control(frame_at(rng, k * 7, k * 3, 30, 20, 16, Pattern::noise), 1, k * 3));
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("transparent-anim.gif"), anim)));
}

// Local tables replace the global one for their frame only, at their own
// size and code size; without a global table every frame brings its own.
TEST(GiflibWritten, LocalColourTables)
{
   Scratch scratch;
   std::mt19937 rng(6);
   GifPlan mixed = backdrop(rng, 48, 40, 4);
   const int tables[] = {256, 2, 0, 32, 8, 0, 128};
   for (int k = 0; k < 7; k++) {
      const int count = tables[k];
      FramePlan f = frame_at(rng, k * 5, k * 4, 20, 16, count ? count : 4);
      if (count)
         f.local = random_table(rng, count);
      mixed.frames.push_back(with_control(f, k % 2, -1));
   }
   const std::string mixed_path = write_with_giflib(scratch.path("mixed.gif"), mixed);
   EXPECT_TRUE(codec_matches_giflib(mixed_path));
   EXPECT_EQ(min_code_sizes(mixed_path), (std::vector<int>{2, 8, 2, 2, 5, 3, 2, 7}));

   GifPlan only_local(33, 27);
   for (int k = 0; k < 4; k++) {
      FramePlan f = frame_at(rng, k * 6, k * 5, 20 - k, 15 + k, 1 << (2 * k + 1));
      f.local = random_table(rng, 1 << (2 * k + 1));
      only_local.frames.push_back(with_control(f, k == 2 ? 2 : 0, k == 3 ? 1 : -1));
   }
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("only-local.gif"), only_local)));
}

// Every pair of disposals (0 to 3) for two overlapping frames over a
// backdrop, with and without transparency, and a third frame that shows
// what the second one's disposal left.
TEST(GiflibWritten, DisposalPairs)
{
   Scratch scratch;
   std::mt19937 rng(7);
   for (int first = 0; first < 4; first++)
      for (int second = 0; second < 4; second++)
         for (int transparent = 0; transparent < 2; transparent++) {
            SCOPED_TRACE("disposals " + std::to_string(first) + "," + std::to_string(second) +
                         (transparent ? " with transparency" : ""));
            GifPlan plan = backdrop(rng, 24, 18, 8);
            plan.frames[0] = with_control(plan.frames[0], (first + second) % 4, -1);
            const FramePlan a = frame_at(rng, 3, 2, 14, 10, 8, Pattern::noise);
            const FramePlan b = frame_at(rng, 8, 6, 12, 9, 8, Pattern::noise);
            const FramePlan c = frame_at(rng, 0, 0, 10, 8, 8, Pattern::runs);
            plan.frames.insert(plan.frames.end(), {with_control(a, first, transparent ? 2 : -1),
                                                   with_control(b, second, transparent ? 5 : -1),
                                                   with_control(c, 0, 1)});
            EXPECT_TRUE(codec_matches_giflib(write_with_giflib(
               scratch.path("pair-" + std::to_string(first) + std::to_string(second) +
                            std::to_string(transparent) + ".gif"),
               plan)));
         }
}

// Runs of "restore previous": each frame restores the screen as it was
// before it, not as it was before the first of the run.
TEST(GiflibWritten, DisposalChains)
{
   Scratch scratch;
   std::mt19937 rng(8);
   const std::vector<std::vector<int>> chains = {
      {3, 3, 3, 3, 0}, {1, 3, 1, 3, 1}, {2, 3, 2, 3, 2}, {3, 2, 3, 2, 3},
      {2, 2, 2, 2, 1}, {3, 1, 3, 3, 2}, {0, 0, 0, 0, 0},
   };
   int n = 0;
   for (const std::vector<int> &chain : chains) {
      GifPlan plan(32, 24, random_table(rng, 16));
      // The first frame here does not cover the screen: disposing of it
      // must give back the mask, not a colour.
      for (size_t k = 0; k < chain.size(); k++)
         plan.frames.push_back(with_control(frame_at(rng, int(k) * 4, int(k) * 3, 16, 12, 16),
                                            chain[k], k % 2 ? 4 : -1));
      EXPECT_TRUE(codec_matches_giflib(
         write_with_giflib(scratch.path("chain-" + std::to_string(n++) + ".gif"), plan)))
         << "chain " << n - 1;
   }
}

// Frames reaching past the right or bottom edge, or lying wholly outside,
// are clipped, and so are their disposals.
TEST(GiflibWritten, FramesPartlyOutsideTheScreen)
{
   Scratch scratch;
   std::mt19937 rng(9);
   const int places[][4] = {
      {20, 3, 15, 8},  // past the right edge
      {2, 14, 9, 10},  // past the bottom
      {25, 15, 10, 10},  // past both
      {0, 0, 40, 25},  // larger than the screen
      {30, 2, 4, 4},  // wholly to the right
      {1, 20, 4, 4},  // wholly below
   };
   for (int disposal = 0; disposal < 4; disposal++) {
      int n = 0;
      for (const auto &p : places) {
         SCOPED_TRACE("disposal " + std::to_string(disposal) + ", frame at " +
                      std::to_string(p[0]) + "," + std::to_string(p[1]) + " size " +
                      std::to_string(p[2]) + "x" + std::to_string(p[3]));
         GifPlan plan = backdrop(rng, 30, 20, 16);
         const FramePlan f = frame_at(rng, p[0], p[1], p[2], p[3], 16, Pattern::noise);
         const FramePlan g = frame_at(rng, p[0] - 1 > 0 ? p[0] - 1 : 0, 1, 12, 12, 16);
         plan.frames.insert(plan.frames.end(),
                            {with_control(f, disposal, n % 2 ? 7 : -1), with_control(g, 0, 3)});
         EXPECT_TRUE(codec_matches_giflib(write_with_giflib(
            scratch.path("outside-" + std::to_string(disposal) + std::to_string(n++) + ".gif"),
            plan)));
      }
   }
}

// Disposal values 4 to 7 are undefined; like 0 and 1 they leave the frame.
TEST(GiflibWritten, UndefinedDisposalsLeaveTheFrame)
{
   Scratch scratch;
   std::mt19937 rng(10);
   GifPlan plan = backdrop(rng, 20, 20, 8);
   for (int disposal = 4; disposal < 8; disposal++)
      plan.frames.push_back(with_control(frame_at(rng, disposal, disposal, 8, 8, 8), disposal, -1));
   EXPECT_TRUE(codec_matches_giflib(write_with_giflib(scratch.path("undefined.gif"), plan)));
}

// A seeded random animation that combines everything above: sizes,
// offsets in and out of the screen, global and local tables of every
// size, interlacing, transparency, all disposals and indices past the
// table.
GifPlan random_animation(unsigned seed)
{
   std::mt19937 rng(1000 + seed);
   GifPlan plan;
   plan.width = 1 + int(rng() % 70);
   plan.height = 1 + int(rng() % 50);
   if (rng() % 4)
      plan.global = random_table(rng, 1 << (1 + rng() % 8));
   plan.background = int(rng() % 4);
   plan.loop = rng() % 2 ? int(rng() % 5) : -1;
   const int frames = 1 + int(rng() % 6);
   for (int k = 0; k < frames; k++) {
      FramePlan f;
      f.width = 1 + int(rng() % (plan.width + 8));
      f.height = 1 + int(rng() % (plan.height + 8));
      f.x = int(rng() % (plan.width + 4));
      f.y = int(rng() % (plan.height + 4));
      if (plan.global.empty() || rng() % 3 == 0)
         f.local = random_table(rng, 1 << (1 + rng() % 8));
      const int table = int((f.local.empty() ? plan.global : f.local).size());
      const int code_range = std::max(4, table);
      const int colours = rng() % 6 == 0 ? code_range : table;
      f.interlaced = rng() % 3 == 0;
      if (rng() % 5) {
         f.control = true;
         f.disposal = int(rng() % 4);
         f.delay = int(rng() % 20);
         f.transparent = rng() % 2 ? int(rng() % code_range) : -1;
      }
      f.pixels = make_pixels(rng, Pattern(rng() % 4), f.width, f.height, colours);
      plan.frames.push_back(f);
   }
   return plan;
}

TEST(GiflibWritten, RandomAnimations)
{
   Scratch scratch;
   for (unsigned seed = 0; seed < 60; seed++)
      EXPECT_TRUE(codec_matches_giflib(write_with_giflib(
         scratch.path("random-" + std::to_string(seed) + ".gif"), random_animation(seed))))
         << "seed " << seed;
}

// Played in a loop, frame 0 starts again from the mask whatever the last
// frame's disposal left (or saved), and the second pass matches the first.
TEST(GiflibWritten, SecondLoopMatchesTheFirst)
{
   Scratch scratch;
   for (unsigned seed = 0; seed < 30; seed++)
      EXPECT_TRUE(codec_matches_when_looping(write_with_giflib(
         scratch.path("loop-" + std::to_string(seed) + ".gif"), random_animation(seed))))
         << "seed " << seed;
   std::mt19937 rng(13);
   for (int last = 0; last < 4; last++) {
      GifPlan plan = backdrop(rng, 20, 15, 8);
      plan.frames[0] = with_control(plan.frames[0], 3 - last, -1);
      plan.frames.push_back(with_control(frame_at(rng, 5, 4, 10, 8, 8), last, 2));
      EXPECT_TRUE(codec_matches_when_looping(
         write_with_giflib(scratch.path("last-" + std::to_string(last) + ".gif"), plan)))
         << "last disposal " << last;
   }
}

// A first frame that covers the whole screen and asks for "restore
// previous": once it is disposed of, the screen shows the mask again,
// whatever the bitmap held before the animation started.
TEST(GiflibWritten, FullScreenFirstFrameRestoredToTheMask)
{
   Scratch scratch;
   std::mt19937 rng(14);
   for (int transparent = 0; transparent < 2; transparent++) {
      SCOPED_TRACE(transparent ? "with a transparent index" : "opaque");
      GifPlan plan = backdrop(rng, 24, 16, 8);
      plan.frames[0] = with_control(plan.frames[0], 3, transparent ? 7 : -1);
      plan.frames.push_back(with_control(frame_at(rng, 6, 4, 8, 6, 8), 1, -1));
      const std::string path =
         write_with_giflib(scratch.path("restore-" + std::to_string(transparent) + ".gif"), plan);
      EXPECT_TRUE(codec_matches_at_offset(path, 0, 0, 24, 16));
      EXPECT_TRUE(codec_matches_at_offset(path, 3, 2, 30, 20));
   }
}

// The screen drawn at an offset in a larger bitmap lands there and
// nowhere else; drawn partly off a bitmap, what is on it is still right.
TEST(GiflibWritten, DrawingAtAnOffset)
{
   Scratch scratch;
   std::mt19937 rng(11);
   GifPlan plan = backdrop(rng, 30, 20, 16);
   plan.frames[0] = with_control(plan.frames[0], 2, 0);
   const int frames[][3] = {{20, 12, 3}, {0, 0, 2}, {21, 13, 1}, {5, 9, 3}};
   for (const auto &p : frames)
      plan.frames.push_back(with_control(frame_at(rng, p[0], p[1], 9, 7, 16), p[2], 5));
   const std::string path = write_with_giflib(scratch.path("offset.gif"), plan);
   EXPECT_TRUE(codec_matches_at_offset(path, 7, 5, 50, 40));
   EXPECT_TRUE(codec_matches_at_offset(path, 20, 20, 50, 40));  // cut by the bottom right
   EXPECT_TRUE(codec_matches_at_offset(path, -6, -4, 30, 20));  // cut by the top left
}

// A frame reaching past the screen's edge, drawn with the screen at an
// offset in a larger bitmap: neither the frame nor its disposal may touch
// the bitmap beyond the screen.
TEST(GiflibWritten, FramePastTheScreenEdgeDrawnAtAnOffset)
{
   Scratch scratch;
   std::mt19937 rng(12);
   for (int disposal = 1; disposal <= 3; disposal++) {
      SCOPED_TRACE("disposal " + std::to_string(disposal));
      GifPlan plan = backdrop(rng, 30, 20, 16);
      const FramePlan f = frame_at(rng, 22, 14, 16, 12, 16);  // 8x6 of it on the screen
      plan.frames.insert(plan.frames.end(),
                         {with_control(f, disposal, -1), frame_at(rng, 0, 0, 4, 4, 16)});
      const std::string path =
         write_with_giflib(scratch.path("past-" + std::to_string(disposal) + ".gif"), plan);
      EXPECT_TRUE(codec_matches_at_offset(path, 7, 5, 60, 45));
   }
}
