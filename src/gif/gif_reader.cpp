#include "gif_reader.h"

#include <cstdlib>
#include <cstring>

#include "gif_decoder.h"
#include "gif_format.h"

namespace {

// Reads `table->count` entries of red, green and blue.
bool read_color_table(PACKFILE *stream, ColorTable *table)
{
   unsigned char rgb[3 * 256];
   const int size = 3 * table->count;
   if (pack_fread(rgb, size, stream) != size)
      return false;
   for (int k = 0; k < table->count; k++) {
      table->colors[k].r = rgb[3 * k];
      table->colors[k].g = rgb[3 * k + 1];
      table->colors[k].b = rgb[3 * k + 2];
   }
   return true;
}

// The table size a packed byte announces, or 0 when its flag is clear.
int table_count(int packed)
{
   return (packed & GIF_TABLE_FLAG) ? 1 << ((packed & 7) + 1) : 0;
}

bool skip_bytes(PACKFILE *stream, int n)
{
   unsigned char scratch[256];
   return pack_fread(scratch, n, stream) == n;
}

// Skips data sub-blocks, starting from a size byte already read.
bool skip_sub_blocks(PACKFILE *stream, int size)
{
   while (size > 0) {
      if (!skip_bytes(stream, size))
         return false;
      size = pack_getc(stream);
   }
   return size == 0;
}

bool too_large(int w, int h)
{
   return long(w) * long(h) > GIF_MAX_PIXELS;
}

bool read_extension(PACKFILE *stream, GifSequence *sequence, GifFrame *pending)
{
   const int label = pack_getc(stream);
   int size = pack_getc(stream);
   if (label < 0 || size < 0)
      return false;

   if (label == GIF_GRAPHIC_CONTROL_LABEL) {
      if (size != GIF_GRAPHIC_CONTROL_SIZE)
         return false;
      const int packed = pack_getc(stream);
      const int delay = pack_igetw(stream);
      const int index = pack_getc(stream);
      if (packed < 0 || delay < 0 || index < 0)
         return false;
      pending->disposal = (packed / 4) & 7;
      pending->delay = delay;
      pending->transparent_index = (packed & 1) ? index : -1;
      return skip_sub_blocks(stream, pack_getc(stream));
   }

   if (label == GIF_APPLICATION_LABEL && size == GIF_APPLICATION_ID_SIZE) {
      char id[GIF_APPLICATION_ID_SIZE];
      if (pack_fread(id, GIF_APPLICATION_ID_SIZE, stream) != GIF_APPLICATION_ID_SIZE)
         return false;
      size = pack_getc(stream);
      if (memcmp(id, GIF_LOOP_APPLICATION_ID, GIF_APPLICATION_ID_SIZE) == 0 &&
          size == GIF_LOOP_BLOCK_SIZE) {
         const int subBlockId = pack_getc(stream);
         const int count = pack_igetw(stream);
         if (subBlockId < 0 || count < 0)
            return false;
         sequence->loop_count = subBlockId == 1 ? count : 0;
         size = pack_getc(stream);
      }
   }
   return skip_sub_blocks(stream, size);
}

// Moves the rows of an interlaced image from the order the file stores
// them to their places on screen.
bool deinterlace(GifFrame *frame)
{
   BITMAP *bitmap = frame->bitmap;
   const size_t rowBytes = size_t(bitmap->w);
   unsigned char *stored = static_cast<unsigned char *>(malloc(rowBytes * bitmap->h));
   if (!stored)
      return false;
   memcpy(stored, bitmap->line[0], rowBytes * bitmap->h);
   for (int row = 0; row < bitmap->h; row++)
      memcpy(bitmap->line[row], stored + rowBytes * gif_stored_row(frame, row), rowBytes);
   free(stored);
   return true;
}

// Reads an image descriptor, its local table and its data into `frame`.
bool read_image(PACKFILE *stream, GifFrame *frame)
{
   frame->x = pack_igetw(stream);
   frame->y = pack_igetw(stream);
   const int w = pack_igetw(stream);
   const int h = pack_igetw(stream);
   const int packed = pack_getc(stream);
   if (frame->x < 0 || frame->y < 0 || w < 0 || h < 0 || packed < 0 || too_large(w, h))
      return false;

   frame->bitmap = create_bitmap_ex(8, w, h);
   if (!frame->bitmap)
      return false;
   frame->palette.count = table_count(packed);
   if (frame->palette.count && !read_color_table(stream, &frame->palette))
      return false;
   frame->interlaced = (packed & GIF_INTERLACE_FLAG) ? 1 : 0;
   if (decode_gif_image(stream, frame->bitmap, &frame->missing_pixels) != 0)
      return false;
   return !frame->interlaced || w == 0 || h < 2 || deinterlace(frame);
}

bool append_frame(GifSequence *sequence, const GifFrame &frame)
{
   void *grown = realloc(sequence->frames, sizeof(GifFrame) * (sequence->frame_count + 1));
   if (!grown)
      return false;
   sequence->frames = static_cast<GifFrame *>(grown);
   sequence->frames[sequence->frame_count++] = frame;
   return true;
}

GifFrame fresh_frame()
{
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = -1;
   return frame;
}

bool read_header(PACKFILE *stream, GifSequence *sequence)
{
   static const char signature[] = "GIF8";
   for (int k = 0; k < 4; k++) {
      if (pack_getc(stream) != signature[k])
         return false;
   }
   const int version = pack_getc(stream);
   if (version != '7' && version != '9')
      return false;
   if (pack_getc(stream) != 'a')
      return false;

   sequence->width = pack_igetw(stream);
   sequence->height = pack_igetw(stream);
   const int packed = pack_getc(stream);
   sequence->background_index = pack_getc(stream);
   const int aspect = pack_getc(stream);
   if (sequence->width < 0 || sequence->height < 0 || packed < 0 ||
       sequence->background_index < 0 || aspect < 0 ||
       too_large(sequence->width, sequence->height))
      return false;

   sequence->palette.count = table_count(packed);
   return sequence->palette.count == 0 || read_color_table(stream, &sequence->palette);
}

// The block loop: true at the trailer, false on any failure.
bool read_blocks(PACKFILE *stream, GifSequence *sequence)
{
   GifFrame pending = fresh_frame();
   for (;;) {
      const int introducer = pack_getc(stream);
      if (introducer == GIF_TRAILER)
         return true;
      if (introducer == EOF)
         return false;
      if (introducer == GIF_EXTENSION_INTRODUCER) {
         if (!read_extension(stream, sequence, &pending))
            return false;
      } else if (introducer == GIF_IMAGE_SEPARATOR) {
         if (!read_image(stream, &pending) || !append_frame(sequence, pending)) {
            if (pending.bitmap)
               destroy_bitmap(pending.bitmap);
            return false;
         }
         pending = fresh_frame();
      }
      // Any other byte, such as the terminator after image data, is
      // passed over.
   }
}

}  // namespace

GifSequence *parse_gif_sequence(PACKFILE *stream)
{
   GifSequence *sequence = static_cast<GifSequence *>(calloc(1, sizeof(GifSequence)));
   if (!sequence)
      return nullptr;
   if (!read_header(stream, sequence) || !read_blocks(stream, sequence)) {
      free_gif_sequence(sequence);
      return nullptr;
   }
   return sequence;
}

GifSequence *read_gif_sequence(PACKFILE *stream)
{
   GifSequence *sequence = parse_gif_sequence(stream);
   pack_fclose(stream);
   return sequence;
}

GifSequence *open_gif_sequence(const char *filename)
{
   PACKFILE *stream = pack_fopen(filename, "r");
   if (!stream)
      return nullptr;
   return read_gif_sequence(stream);
}
