#include "picture_gif.h"

#include <cstring>

#include "gif/gif.h"
#include "quantize.h"

std::string write_picture_gif(const char *filename, const IndexedPicture &picture)
{
   BITMAP *indices = picture.indices.get();
   if (!indices || indices->w == 0 || indices->h == 0)
      return "the picture is empty";
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = picture.transparent;
   frame.bitmap = indices;

   GifSequence sequence;
   memset(&sequence, 0, sizeof sequence);
   sequence.width = indices->w;
   sequence.height = indices->h;
   sequence.loop_count = -1;
   sequence.frame_count = 1;
   sequence.frames = &frame;
   // The smallest table that holds the colours: entries past them are 0.
   sequence.palette.count = 2;
   while (size_t(sequence.palette.count) < picture.colors.size())
      sequence.palette.count *= 2;
   for (size_t k = 0; k < picture.colors.size(); k++) {
      sequence.palette.colors[k].r = uint8_t(picture.colors[k] >> 16);
      sequence.palette.colors[k].g = uint8_t(picture.colors[k] >> 8);
      sequence.palette.colors[k].b = uint8_t(picture.colors[k]);
   }
   return write_gif_sequence(filename, &sequence) == 0 ? std::string() : "cannot be written";
}

std::string write_picture_gif(const char *filename, const Picture &picture)
{
   if (picture.w == 0 || picture.h == 0)
      return "the picture is empty";
   IndexedPicture indexed;
   if (!index_picture(picture, &indexed))
      return "out of memory for the picture";
   return write_picture_gif(filename, indexed);
}
