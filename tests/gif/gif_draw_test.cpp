// Composing frames: colours, transparency, disposal, clipping, depths, and
// loading a file as one bitmap.
#include <gtest/gtest.h>

#include "support/gif_test_util.h"
#include "support/scratch.h"

namespace {

const std::vector<uint32_t> kColors = {0xff0000, 0x00ff00, 0x0000ff, 0x804020};
const int R = 0xff0000, G = 0x00ff00, B = 0x0000ff, K = 0x804020, M = -1;

// Every pixel of a bitmap as 0xRRGGBB, or -1 for the mask colour.
std::vector<int> pixels(BITMAP *bitmap)
{
   std::vector<int> values;
   for (int y = 0; y < bitmap->h; y++) {
      for (int x = 0; x < bitmap->w; x++)
         values.push_back(rgb_at(bitmap, x, y));
   }
   return values;
}

// The pixels of frames 0..last of `gif` composed, or none when it does not read.
std::vector<int> composed(const GifBytes &gif, int last)
{
   GifSequencePtr sequence = read_bytes(gif);
   EXPECT_TRUE(sequence) << "the stream does not read";
   return sequence ? pixels(compose(sequence.get(), last).get()) : std::vector<int>();
}

TEST(GifDraw, IndicesBecomeTableColoursAndTransparentOnesStayMask)
{
   GifBytes gif;
   gif.header(3, 2, kColors).control(0, 0, 2).image(0, 0, 3, 2);
   gif.data(2, raw_codes(2, {0, 1, 2, 3, 2, 0})).trailer();
   EXPECT_EQ(composed(gif, 0), (std::vector<int>{R, G, M, K, M, R}));
}

TEST(GifDraw, UncoveredScreenIsMaskAndOffsetImagesAreClipped)
{
   // A 2x2 image at (3, 1) on a 4x3 screen: its right column falls off.
   GifBytes gif;
   gif.header(4, 3, kColors).image(3, 1, 2, 2).data(2, raw_codes(2, {0, 1, 2, 3})).trailer();
   EXPECT_EQ(composed(gif, 0), (std::vector<int>{M, M, M, M, M, M, M, R, M, M, M, B}));
}

TEST(GifDraw, ImagesWhollyOutsideTheScreenDrawNothing)
{
   GifBytes gif;
   gif.header(2, 2, kColors).image(60000, 5, 2, 2).data(2, raw_codes(2, {0, 1, 2, 3}));
   gif.image(0, 0, 0, 2).data(2, {{4, 3}, {5, 3}}).trailer();
   EXPECT_EQ(composed(gif, 1), (std::vector<int>(4, M)));
}

TEST(GifDraw, IndicesPastTheTableAreBlackAndNoTableMeansBlack)
{
   GifBytes gif;
   gif.header(3, 1, {0x123456, 0x654321}).image(0, 0, 3, 1).data(2, raw_codes(2, {1, 2, 3}));
   gif.trailer();
   EXPECT_EQ(composed(gif, 0), (std::vector<int>{0x654321, 0, 0}));

   GifBytes bare;
   bare.header(2, 1).image(0, 0, 2, 1).data(2, raw_codes(2, {1, 3})).trailer();
   EXPECT_EQ(composed(bare, 0), (std::vector<int>{0, 0}));
}

TEST(GifDraw, LocalTableWinsOverGlobal)
{
   GifBytes gif;
   gif.header(2, 1, kColors).image(0, 0, 1, 1, {0x111111, 0x222222});
   gif.data(2, raw_codes(2, {1})).image(1, 0, 1, 1).data(2, raw_codes(2, {1})).trailer();
   EXPECT_EQ(composed(gif, 1), (std::vector<int>{0x222222, G}));
}

TEST(GifDraw, DisposalTwoClearsTheFrameRectangleToMask)
{
   // Frame 0 fills the 3x1 screen; frame 1 covers only the middle pixel,
   // and its own transparent index leaves it uncovered too.
   GifBytes gif;
   gif.header(3, 1, kColors).control(2, 0, -1).image(0, 0, 3, 1);
   gif.data(2, raw_codes(2, {0, 0, 0})).control(0, 0, 3).image(1, 0, 2, 1);
   gif.data(2, raw_codes(2, {1, 3})).trailer();
   EXPECT_EQ(composed(gif, 0), (std::vector<int>{R, R, R}));
   EXPECT_EQ(composed(gif, 1), (std::vector<int>{M, G, M}));
}

TEST(GifDraw, DisposalThreePutsBackWhatWasUnderTheFrame)
{
   GifBytes gif;
   gif.header(3, 1, kColors).image(0, 0, 3, 1).data(2, raw_codes(2, {0, 1, 2}));
   gif.control(3, 0, -1).image(1, 0, 1, 1).data(2, raw_codes(2, {3}));
   gif.image(2, 0, 1, 1).data(2, raw_codes(2, {3})).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   BitmapPtr screen(create_bitmap_ex(32, 3, 1));
   draw_gif_frame(sequence.get(), screen.get(), 0, 0, 0);
   draw_gif_frame(sequence.get(), screen.get(), 1, 0, 0);
   EXPECT_EQ(pixels(screen.get()), (std::vector<int>{R, K, B}));
   ASSERT_NE(sequence->saved_area, nullptr);
   draw_gif_frame(sequence.get(), screen.get(), 2, 0, 0);
   EXPECT_EQ(pixels(screen.get()), (std::vector<int>{R, G, K}));
   EXPECT_EQ(sequence->saved_area, nullptr);
   // Wrapping round to frame 0 starts from a clean screen.
   draw_gif_frame(sequence.get(), screen.get(), 0, 0, 0);
   EXPECT_EQ(pixels(screen.get()), (std::vector<int>{R, G, B}));
}

TEST(GifDraw, PixelsTheDataNeverReachedStayUndrawn)
{
   // Plain: the first four of six pixels arrive.
   GifBytes gif;
   gif.header(3, 2, kColors).image(0, 0, 3, 2).data(2, raw_codes(2, {0, 1, 2, 3})).trailer();
   EXPECT_EQ(composed(gif, 0), (std::vector<int>{R, G, B, K, M, M}));

   // Interlaced, 5 rows of 2: stored rows 0, 4, 2 arrive and half of 1.
   GifBytes laced;
   laced.header(2, 5, kColors).image(0, 0, 2, 5, {}, true);
   laced.data(2, raw_codes(2, {0, 0, 1, 1, 2, 2, 3})).trailer();
   EXPECT_EQ(composed(laced, 0), (std::vector<int>{R, R, K, M, B, B, M, M, G, G}));
}

TEST(GifDraw, DestinationOffsetAndClipRectangleAreHonoured)
{
   GifBytes gif;
   gif.header(2, 2, kColors).image(0, 0, 2, 2).data(2, raw_codes(2, {0, 1, 2, 3})).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   BitmapPtr screen(create_bitmap_ex(32, 4, 3));
   clear_to_color(screen.get(), makecol32(1, 2, 3));
   set_clip_rect(screen.get(), 0, 0, 1, 1);
   draw_gif_frame(sequence.get(), screen.get(), 0, 1, 0);
   const int O = 0x010203;
   EXPECT_EQ(pixels(screen.get()), (std::vector<int>{O, R, O, O, O, B, O, O, O, O, O, O}));

   // Negative offsets clip at the top left.
   set_clip_rect(screen.get(), 0, 0, 3, 2);
   clear_to_color(screen.get(), makecol32(1, 2, 3));
   draw_gif_frame(sequence.get(), screen.get(), 0, -1, -1);
   EXPECT_EQ(rgb_at(screen.get(), 0, 0), K);
   EXPECT_EQ(rgb_at(screen.get(), 1, 0), O);
}

TEST(GifDraw, NothingIsWrittenOutsideTheDestinationEvenWithClippingOff)
{
   // An 8x8 screen whose first frame, at (4, 4), reaches past it and is
   // disposed of by filling its rectangle; the destination is a window of
   // a larger bitmap, with clipping turned off.
   GifBytes gif;
   gif.header(8, 8, kColors).control(2, 0, -1).image(4, 4, 8, 8);
   gif.data(2, raw_codes(2, std::vector<int>(64, 1))).image(0, 0, 1, 1);
   gif.data(2, raw_codes(2, {2})).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   for (int offset : {0, -3, 5}) {
      BitmapPtr parent(create_bitmap_ex(32, 16, 16));
      clear_to_color(parent.get(), makecol32(1, 2, 3));
      BitmapPtr dest(create_sub_bitmap(parent.get(), 4, 4, 8, 8));
      set_clip_state(dest.get(), FALSE);
      draw_gif_frame(sequence.get(), dest.get(), 0, offset, offset);
      draw_gif_frame(sequence.get(), dest.get(), 1, offset, offset);
      EXPECT_EQ(get_clip_state(dest.get()), FALSE);
      for (int y = 0; y < 16; y++) {
         for (int x = 0; x < 16; x++) {
            const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
            if (!inside) {
               ASSERT_EQ(rgb_at(parent.get(), x, y), 0x010203) << x << "," << y << " at " << offset;
            }
         }
      }
   }
}

TEST(GifDraw, EveryDestinationDepthGetsTheSameColours)
{
   GifBytes gif;
   gif.header(2, 2, {0xf80000, 0x00fc00, 0x0000f8, 0x808080}).control(0, 0, 3);
   gif.image(0, 0, 2, 2).data(2, raw_codes(2, {0, 1, 2, 3})).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   for (int depth : {15, 16, 24, 32}) {
      BitmapPtr screen(create_bitmap_ex(depth, 2, 2));
      draw_gif_frame(sequence.get(), screen.get(), 0, 0, 0);
      EXPECT_EQ(getpixel(screen.get(), 0, 0), makecol_depth(depth, 0xf8, 0, 0)) << depth;
      EXPECT_EQ(getpixel(screen.get(), 1, 0), makecol_depth(depth, 0, 0xfc, 0)) << depth;
      EXPECT_EQ(getpixel(screen.get(), 0, 1), makecol_depth(depth, 0, 0, 0xf8)) << depth;
      EXPECT_EQ(getpixel(screen.get(), 1, 1), bitmap_mask_color(screen.get())) << depth;
   }
}

TEST(GifLoad, LoadsTheLastFrameOverItsPredecessorsWithPalette)
{
   Scratch scratch;
   GifBytes gif;
   gif.header(2, 1, {0xff8007, 0x00ff00}).image(0, 0, 2, 1).data(2, raw_codes(2, {0, 0}));
   gif.control(0, 0, 0).image(0, 0, 2, 1).data(2, raw_codes(2, {0, 1})).trailer();
   PALETTE palette;
   memset(palette, 0x55, sizeof palette);
   BitmapPtr bitmap(load_gif_bitmap(scratch.write("a.gif", gif.bytes).c_str(), palette));
   ASSERT_TRUE(bitmap);
   EXPECT_EQ(bitmap_color_depth(bitmap.get()), 32);
   EXPECT_EQ(pixels(bitmap.get()), (std::vector<int>{0xff8007, G}));
   EXPECT_EQ(palette[0].r, 63);
   EXPECT_EQ(palette[0].g, 32);
   EXPECT_EQ(palette[0].b, 1);
   EXPECT_EQ(palette[1].g, 63);
   EXPECT_EQ(palette[2].r, 0);
   EXPECT_EQ(palette[255].b, 0);
   // The fourth byte is not the loader's to write.
   EXPECT_EQ(palette[0].filler, 0x55);
}

TEST(GifLoad, PaletteComesFromTheFirstLocalTableWithoutAGlobalOne)
{
   Scratch scratch;
   GifBytes gif;
   gif.header(1, 1).image(0, 0, 1, 1, {0x0c0804, 0xffffff}).data(2, raw_codes(2, {1})).trailer();
   PALETTE palette;
   BitmapPtr bitmap(load_gif_bitmap(scratch.write("a.gif", gif.bytes).c_str(), palette));
   ASSERT_TRUE(bitmap);
   EXPECT_EQ(palette[0].r, 3);
   EXPECT_EQ(palette[0].b, 1);
   EXPECT_EQ(palette[1].r, 63);
   EXPECT_EQ(rgb_at(bitmap.get(), 0, 0), 0xffffff);
}

TEST(GifLoad, NothingToShowGivesNull)
{
   Scratch scratch;
   GifBytes noFrames;
   noFrames.header(4, 4, kColors).trailer();
   EXPECT_EQ(load_gif_bitmap(scratch.write("a.gif", noFrames.bytes).c_str(), nullptr), nullptr);

   GifBytes emptyScreen;
   emptyScreen.header(0, 3, kColors).image(0, 0, 1, 1).data(2, raw_codes(2, {1})).trailer();
   EXPECT_EQ(load_gif_bitmap(scratch.write("b.gif", emptyScreen.bytes).c_str(), nullptr), nullptr);

   EXPECT_EQ(load_gif_bitmap(scratch.path("missing.gif").c_str(), nullptr), nullptr);
   EXPECT_EQ(load_gif_bitmap(scratch.write("c.gif", {'G', 'I', 'F'}).c_str(), nullptr), nullptr);
}

}  // namespace
