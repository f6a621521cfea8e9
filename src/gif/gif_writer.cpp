#include "gif/gif_writer.h"

#include <cstring>

#include "files/replacement_file.h"
#include "gif/gif_encoder.h"
#include "gif/gif_format.h"

namespace {

const int kMaxWord = 0xFFFF;

bool is_word(int value)
{
   return value >= 0 && value <= kMaxWord;
}

// The size exponent b of a table (2^b entries written), or 0 when the
// table is not written.
int table_exponent(const ColorTable &table)
{
   if (table.count < 2)
      return 0;
   int b = 1;
   while ((1 << b) < table.count)
      b++;
   return b;
}

bool writable(const GifSequence *sequence)
{
   if (!is_word(sequence->width) || !is_word(sequence->height) ||
       sequence->background_index < 0 || sequence->background_index > 255 ||
       sequence->loop_count < -1 || sequence->loop_count > kMaxWord ||
       sequence->palette.count > 256 || sequence->frame_count < 0 ||
       (sequence->frame_count > 0 && !sequence->frames))
      return false;
   for (int i = 0; i < sequence->frame_count; i++) {
      const GifFrame &f = sequence->frames[i];
      if (!f.bitmap || bitmap_color_depth(f.bitmap) != 8 || !is_word(f.bitmap->w) ||
          !is_word(f.bitmap->h) || !is_word(f.x) || !is_word(f.y) || !is_word(f.delay) ||
          f.disposal < 0 || f.disposal > 7 || f.transparent_index < -1 ||
          f.transparent_index > 255 || f.palette.count > 256)
         return false;
   }
   return true;
}

// Writes entries 0 to 2^b - 1 of the table, three bytes each.
void write_color_table(PACKFILE *stream, const ColorTable *table, int b)
{
   for (int k = 0; k < (1 << b); k++) {
      pack_putc(table->colors[k].r, stream);
      pack_putc(table->colors[k].g, stream);
      pack_putc(table->colors[k].b, stream);
   }
}

void write_frame(PACKFILE *stream, const GifFrame &frame)
{
   const int transparent = frame.transparent_index != -1;
   pack_putc(GIF_EXTENSION_INTRODUCER, stream);
   pack_putc(GIF_GRAPHIC_CONTROL_LABEL, stream);
   pack_putc(GIF_GRAPHIC_CONTROL_SIZE, stream);
   pack_putc(frame.disposal * 4 + transparent, stream);
   pack_iputw(frame.delay, stream);
   pack_putc(transparent ? frame.transparent_index : 0, stream);
   pack_putc(0, stream);

   const int b = table_exponent(frame.palette);
   pack_putc(GIF_IMAGE_SEPARATOR, stream);
   pack_iputw(frame.x, stream);
   pack_iputw(frame.y, stream);
   pack_iputw(frame.bitmap->w, stream);
   pack_iputw(frame.bitmap->h, stream);
   pack_putc(b ? GIF_TABLE_FLAG + (b - 1) : 0, stream);
   if (b)
      write_color_table(stream, &frame.palette, b);
   encode_gif_image(stream, frame.bitmap);
   pack_putc(0, stream);
}

void write_stream(PACKFILE *stream, const GifSequence *sequence)
{
   static const char signature[] = "GIF89a";
   pack_fwrite(signature, 6, stream);
   const int b = table_exponent(sequence->palette);
   pack_iputw(sequence->width, stream);
   pack_iputw(sequence->height, stream);
   // Colour resolution 7 in both cases, the table flag and size with one.
   pack_putc(b ? 0xF0 + (b - 1) : 0x70, stream);
   pack_putc(sequence->background_index, stream);
   pack_putc(0, stream);
   if (b)
      write_color_table(stream, &sequence->palette, b);

   if (sequence->loop_count != -1) {
      pack_putc(GIF_EXTENSION_INTRODUCER, stream);
      pack_putc(GIF_APPLICATION_LABEL, stream);
      pack_putc(GIF_APPLICATION_ID_SIZE, stream);
      pack_fwrite(GIF_LOOP_APPLICATION_ID, GIF_APPLICATION_ID_SIZE, stream);
      pack_putc(GIF_LOOP_BLOCK_SIZE, stream);
      pack_putc(1, stream);
      pack_iputw(sequence->loop_count, stream);
      pack_putc(0, stream);
   }

   for (int i = 0; i < sequence->frame_count; i++)
      write_frame(stream, sequence->frames[i]);
   pack_putc(GIF_TRAILER, stream);
}

}  // namespace

int write_gif_sequence(const char *filename, const GifSequence *sequence)
{
   if (!writable(sequence))
      return -1;
   ReplacementFile file;
   if (open_replacement_file(filename, &file) < 0)
      return -1;
   // Allegro writes the temporary file through its name; file.fd stays
   // open on it for the sync.
   PACKFILE *stream = pack_fopen(file.temporary.c_str(), "w");
   if (!stream) {
      abandon_replacement_file(&file);
      return -1;
   }
   write_stream(stream, sequence);
   const bool failed = pack_ferror(stream) != 0;
   if (pack_fclose(stream) != 0 || failed) {
      abandon_replacement_file(&file);
      return -1;
   }
   return commit_replacement_file(&file);
}

int save_gif_bitmap(const char *filename, BITMAP *bitmap, const RGB *palette)
{
   if (bitmap->w == 0 || bitmap->h == 0)
      return -1;
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = -1;
   frame.bitmap = create_bitmap_ex(8, bitmap->w, bitmap->h);
   if (!frame.bitmap)
      return -1;

   PALETTE current;
   if (palette) {
      // The colours of a hi- or truecolour bitmap become indices of the
      // palette that is written; a colour table the program made for
      // another palette must not take part.
      RGB_MAP *const programMap = rgb_map;
      rgb_map = nullptr;
      select_palette(palette);
      blit(bitmap, frame.bitmap, 0, 0, 0, 0, bitmap->w, bitmap->h);
      unselect_palette();
      rgb_map = programMap;
   } else {
      blit(bitmap, frame.bitmap, 0, 0, 0, 0, bitmap->w, bitmap->h);
      get_palette(current);
      palette = current;
   }
   frame.palette.count = 256;
   for (int k = 0; k < 256; k++) {
      frame.palette.colors[k].r = uint8_t(_rgb_scale_6[palette[k].r & 63]);
      frame.palette.colors[k].g = uint8_t(_rgb_scale_6[palette[k].g & 63]);
      frame.palette.colors[k].b = uint8_t(_rgb_scale_6[palette[k].b & 63]);
   }

   GifSequence sequence;
   memset(&sequence, 0, sizeof sequence);
   sequence.width = bitmap->w;
   sequence.height = bitmap->h;
   sequence.frame_count = 1;
   sequence.loop_count = -1;
   sequence.frames = &frame;
   const int result = write_gif_sequence(filename, &sequence);
   destroy_bitmap(frame.bitmap);
   return result;
}
