#include "gif/gif_register.h"

#include <allegro.h>

#include <cstdlib>

#include "gif/gif_draw.h"
#include "gif/gif_reader.h"
#include "gif/gif_writer.h"

namespace {

// The library owns a datafile object's stream and closes it itself. It
// also frees memory twice when an object loader returns null, so an object
// that cannot be read loads as an empty sequence: no screen, no frames.
void *load_gif_object(PACKFILE *stream, long)
{
   GifSequence *sequence = parse_gif_sequence(stream);
   if (!sequence)
      sequence = static_cast<GifSequence *>(calloc(1, sizeof(GifSequence)));
   return sequence;
}

void destroy_gif_object(void *sequence)
{
   free_gif_sequence(static_cast<GifSequence *>(sequence));
}

}  // namespace

void register_gif_type()
{
   // The library's loaders and savers take no reason.
   register_bitmap_file_type(
      "gif", [](const char *filename, RGB *palette) { return load_gif_bitmap(filename, palette); },
      [](const char *filename, BITMAP *bitmap, const RGB *palette) {
         return save_gif_bitmap(filename, bitmap, palette);
      });
   register_datafile_object(GIF_DATAFILE_TYPE, load_gif_object, destroy_gif_object);
}
