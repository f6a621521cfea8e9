#include "gif/gif_writer.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "files/replacement_file.h"
#include "gif/gif_blocks.h"
#include "gif/gif_encoder.h"
#include "gif/gif_format.h"

namespace {

// The size exponent of a table that is written, or 0 for none: a table of
// fewer than two entries is left out.
int written_exponent(const ColorTable &table)
{
   return table.count < 2 ? 0 : gif_table_exponent(table.count);
}

// The first of the reasons given that is not empty, or "".
std::string first_of(std::initializer_list<std::string> reasons)
{
   for (const std::string &why : reasons) {
      if (!why.empty())
         return why;
   }
   return std::string();
}

// Why a frame cannot be written, or "".
std::string unwritable_frame(const GifFrame &f)
{
   if (!f.bitmap || bitmap_color_depth(f.bitmap) != 8)
      return "indices in a bitmap that is not 8-bit";
   return first_of({gif_out_of_range("a size", f.bitmap->w, f.bitmap->h, "x", 0, GIF_MAX_WORD),
                    gif_out_of_range("a position", f.x, f.y, ", ", 0, GIF_MAX_WORD),
                    gif_out_of_range("a delay", f.delay, 0, GIF_MAX_WORD, " hundredths"),
                    gif_out_of_range("a disposal", f.disposal, 0, GIF_MAX_DISPOSAL),
                    gif_out_of_range("a transparent index", f.transparent_index, -1, 255),
                    gif_out_of_range("a table", f.palette.count, 0, 256, " colours")});
}

// Why the sequence holds what a GIF cannot, or "".
std::string unwritable(const GifSequence *s)
{
   if (s->frame_count < 0 || (s->frame_count > 0 && !s->frames))
      return "a frame count of " + std::to_string(s->frame_count) + " without its frames";
   std::string why =
      first_of({gif_out_of_range("a screen", s->width, s->height, "x", 0, GIF_MAX_WORD),
                gif_out_of_range("a background index", s->background_index, 0, 255),
                gif_out_of_range("a loop count", s->loop_count, -1, GIF_MAX_WORD),
                gif_out_of_range("a global table", s->palette.count, 0, 256, " colours")});
   for (int i = 0; why.empty() && i < s->frame_count; i++) {
      why = unwritable_frame(s->frames[i]);
      if (!why.empty())
         why = "frame " + std::to_string(i) + ": " + why;
   }
   return why;
}

void write_frame(PACKFILE *stream, const GifFrame &frame, std::vector<uint8_t> &blocks)
{
   const int b = written_exponent(frame.palette);
   blocks.clear();
   put_gif_control(&blocks, frame.disposal, frame.delay, frame.transparent_index);
   put_gif_descriptor(&blocks, frame.x, frame.y, frame.bitmap->w, frame.bitmap->h, b);
   if (b)
      put_gif_table(&blocks, frame.palette, b);
   pack_fwrite(blocks.data(), long(blocks.size()), stream);
   encode_gif_image(stream, frame.bitmap);
   pack_putc(0, stream);
}

void write_stream(PACKFILE *stream, const GifSequence *sequence)
{
   const int b = written_exponent(sequence->palette);
   std::vector<uint8_t> blocks;
   put_gif_header(&blocks, sequence->width, sequence->height, b, sequence->background_index);
   if (b)
      put_gif_table(&blocks, sequence->palette, b);
   if (sequence->loop_count != -1)
      put_gif_loop(&blocks, sequence->loop_count);
   pack_fwrite(blocks.data(), long(blocks.size()), stream);
   for (int i = 0; i < sequence->frame_count; i++)
      write_frame(stream, sequence->frames[i], blocks);
   pack_putc(GIF_TRAILER, stream);
}

// The codec's way with a failure: -1, and why in *problem when asked.
int refuse(const std::string &why, std::string *problem)
{
   if (problem)
      *problem = why;
   return -1;
}

}  // namespace

int write_gif_sequence(const char *filename, const GifSequence *sequence, std::string *problem)
{
   const std::string why = unwritable(sequence);
   if (!why.empty())
      return refuse(why, problem);
   ReplacementFile file;
   if (open_replacement_file(filename, &file) < 0)
      return refuse(replacement_failure(file), problem);
   // Allegro writes the temporary file through its name; file.fd stays
   // open on it for the sync.
   PACKFILE *stream = pack_fopen(file.temporary.c_str(), "w");
   int error = errno;
   if (stream) {
      write_stream(stream, sequence);
      // A failed write leaves its errno, unless a later call has set
      // another.
      const bool written = pack_ferror(stream) == 0;
      error = errno;
      const bool closed = pack_fclose(stream) == 0;
      if (written && closed)
         return commit_replacement_file(&file) == 0
                   ? 0
                   : refuse(std::string("cannot write: ") + strerror(errno), problem);
      error = closed ? error : errno;
   }
   abandon_replacement_file(&file);
   return refuse(std::string("cannot write: ") + strerror(error ? error : EIO), problem);
}

int save_gif_bitmap(const char *filename, BITMAP *bitmap, const RGB *palette, std::string *problem)
{
   if (bitmap->w == 0 || bitmap->h == 0)
      return refuse("an empty bitmap", problem);
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = -1;
   frame.bitmap = create_bitmap_ex(8, bitmap->w, bitmap->h);
   if (!frame.bitmap)
      return refuse("out of memory", problem);

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
   const int result = write_gif_sequence(filename, &sequence, problem);
   destroy_bitmap(frame.bitmap);
   return result;
}
