#include "gif_test_util.h"

#include <gtest/gtest.h>

#include "memory_stream.h"

GifSequencePtr read_bytes(const GifBytes &gif, std::string *problem)
{
   MemoryStream stream(gif.bytes);
   GifSequencePtr sequence(read_gif_sequence(stream.open(), problem));
   EXPECT_EQ(stream.closes(), 1);
   return sequence;
}

std::vector<int> indices(const GifFrame &frame)
{
   std::vector<int> values;
   for (int y = 0; y < frame.bitmap->h; y++) {
      for (int x = 0; x < frame.bitmap->w; x++)
         values.push_back(getpixel(frame.bitmap, x, y));
   }
   return values;
}

BitmapPtr compose(GifSequence *sequence, int last)
{
   BitmapPtr result(create_bitmap_ex(32, sequence->width, sequence->height));
   for (int i = 0; i <= last; i++)
      draw_gif_frame(sequence, result.get(), i, 0, 0);
   return result;
}

int rgb_at(BITMAP *bitmap, int x, int y)
{
   const int depth = bitmap_color_depth(bitmap);
   const int c = getpixel(bitmap, x, y);
   if (c == bitmap_mask_color(bitmap))
      return -1;
   return (getr_depth(depth, c) << 16) | (getg_depth(depth, c) << 8) | getb_depth(depth, c);
}
