#include "picture_gif.h"

#include <cstring>

#include "gif.h"
#include "quantize.h"

std::string write_picture_gif(const char *filename, const Picture &picture)
{
   if (picture.w == 0 || picture.h == 0)
      return "the picture is empty";
   const IndexedPicture indexed = index_picture(picture);

   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = indexed.transparent;
   frame.bitmap = create_bitmap_ex(8, picture.w, picture.h);
   if (!frame.bitmap)
      return "out of memory for the picture";
   for (int y = 0; y < picture.h; y++)
      memcpy(frame.bitmap->line[y], &indexed.indices[size_t(y) * picture.w], size_t(picture.w));

   GifSequence sequence;
   memset(&sequence, 0, sizeof sequence);
   sequence.width = picture.w;
   sequence.height = picture.h;
   sequence.loop_count = -1;
   sequence.frame_count = 1;
   sequence.frames = &frame;
   // The smallest table that holds the colours: entries past them are 0.
   sequence.palette.count = 2;
   while (size_t(sequence.palette.count) < indexed.colors.size())
      sequence.palette.count *= 2;
   for (size_t k = 0; k < indexed.colors.size(); k++) {
      sequence.palette.colors[k].r = uint8_t(indexed.colors[k] >> 16);
      sequence.palette.colors[k].g = uint8_t(indexed.colors[k] >> 8);
      sequence.palette.colors[k].b = uint8_t(indexed.colors[k]);
   }
   const int result = write_gif_sequence(filename, &sequence);
   destroy_bitmap(frame.bitmap);
   return result == 0 ? std::string() : "cannot be written";
}
