// Arbitrary bytes become a sequence of frames (sizes, positions, tables,
// transparency, disposal, delays, loop count, and indices laid down as
// runs, so that long runs fill the LZW dictionary many times), which the
// writer stores and the reader reads back: every record and every index
// must come back as written. The same frame goes through save_gif_bitmap
// with a palette too. The rest of the bytes make an animation for the
// animation writer, whose file must compose to each frame as it was added.

#include <allegro.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "gif/gif.h"
#include "gif/gif_format.h"

namespace {

// The input, read front to back; zeros once it runs out.
class Bytes {
public:
   Bytes(const uint8_t *data, size_t size) : data_(data), size_(size) {}
   int byte() { return at_ < size_ ? data_[at_++] : 0; }
   int word() { return byte() | byte() << 8; }
   bool empty() const { return at_ >= size_; }

private:
   const uint8_t *data_;
   size_t size_;
   size_t at_ = 0;
};

std::string scratchDir;

void remove_scratch()
{
   remove((scratchDir + "/out.gif").c_str());
   rmdir(scratchDir.c_str());
}

std::string scratch_file()
{
   static std::string path;
   if (path.empty()) {
      // In memory where the system offers it: every input writes a file.
      char dir[] = "/dev/shm/gif-writer-fuzz-XXXXXX";
      char fallback[] = "/tmp/gif-writer-fuzz-XXXXXX";
      const char *made = mkdtemp(dir);
      if (!made)
         made = mkdtemp(fallback);
      if (!made)
         abort();
      scratchDir = made;
      atexit(remove_scratch);
      path = scratchDir + "/out.gif";
   }
   return path;
}

void fill_table(Bytes &in, ColorTable *table)
{
   // 0, 1 (not written), or 2..256 entries, powers of two or not.
   const int pick = in.byte();
   table->count = pick < 16 ? 0 : pick < 24 ? 1 : 2 + in.byte() % 255;
   for (int k = 0; k < table->count; k++) {
      table->colors[k].r = uint8_t(in.byte());
      table->colors[k].g = uint8_t(in.byte());
      table->colors[k].b = uint8_t(in.byte());
   }
}

// Indices as runs of (value, length), most of them short; a few frames are
// large enough to fill the 4096-code dictionary many times.
BITMAP *make_bitmap(Bytes &in)
{
   const bool large = in.byte() < 8;
   const int w = large ? 1 + in.word() % 700 : in.byte() % 48;
   const int h = large ? 1 + in.word() % 300 : in.byte() % 48;
   BITMAP *bitmap = create_bitmap_ex(8, w, h);
   CHECK(bitmap);
   const int limit = 1 + in.byte();  // the largest index + 1
   long left = long(w) * h;
   long at = 0;
   while (left > 0) {
      const int value = in.byte() % limit;
      long run = 1 + in.byte() % 16;
      if (run == 16)
         run = 1 + in.word();
      if (in.empty())
         run = left;
      for (long k = 0; k < run && left > 0; k++, at++, left--)
         bitmap->line[at / w][at % w] = uint8_t(value);
   }
   return bitmap;
}

int table_size(int count)
{
   if (count < 2)
      return 0;
   int size = 2;
   while (size < count)
      size *= 2;
   return size;
}

void check_table(const ColorTable &written, const ColorTable &read)
{
   CHECK(read.count == table_size(written.count));
   for (int k = 0; k < read.count; k++) {
      const GifColor expected = k < written.count ? written.colors[k] : GifColor{0, 0, 0, 0};
      CHECK(read.colors[k].r == expected.r && read.colors[k].g == expected.g &&
            read.colors[k].b == expected.b);
   }
}

void check_indices(BITMAP *written, BITMAP *read)
{
   CHECK(read->w == written->w && read->h == written->h);
   for (int y = 0; y < written->h; y++)
      CHECK(memcmp(written->line[y], read->line[y], size_t(written->w)) == 0);
}

void round_trip_sequence(Bytes &in)
{
   GifSequence sequence;
   memset(&sequence, 0, sizeof sequence);
   sequence.width = in.word();
   sequence.height = in.word();
   sequence.background_index = in.byte();
   const int loop = in.byte();
   sequence.loop_count = loop < 64 ? -1 : loop < 128 ? 0 : in.word();
   fill_table(in, &sequence.palette);
   std::vector<GifFrame> frames(1 + in.byte() % 4);
   for (GifFrame &frame : frames) {
      memset(&frame, 0, sizeof frame);
      frame.x = in.word();
      frame.y = in.word();
      frame.delay = in.word();
      frame.disposal = in.byte() % 8;
      const int transparent = in.byte();
      frame.transparent_index = transparent < 128 ? -1 : in.byte();
      fill_table(in, &frame.palette);
      frame.bitmap = make_bitmap(in);
   }
   sequence.frames = frames.data();
   sequence.frame_count = int(frames.size());

   const std::string file = scratch_file();
   CHECK(write_gif_sequence(file.c_str(), &sequence) == 0);
   std::string problem;
   GifSequence *read = open_gif_sequence(file.c_str(), &problem);
   // The reader refuses screens too large to allocate sensibly.
   if (long(sequence.width) * sequence.height > GIF_MAX_PIXELS) {
      CHECK(!read && problem == "a picture over 2^28 pixels in the header");
      for (GifFrame &frame : frames)
         destroy_bitmap(frame.bitmap);
      return;
   }
   CHECK(read);
   CHECK(read->width == sequence.width && read->height == sequence.height);
   CHECK(read->background_index == sequence.background_index);
   CHECK(read->loop_count == (sequence.loop_count == -1 ? 0 : sequence.loop_count));
   check_table(sequence.palette, read->palette);
   CHECK(read->frame_count == sequence.frame_count);
   for (int i = 0; i < read->frame_count; i++) {
      const GifFrame &a = sequence.frames[i], &b = read->frames[i];
      CHECK(b.x == a.x && b.y == a.y && b.delay == a.delay && b.disposal == a.disposal);
      CHECK(b.transparent_index == a.transparent_index);
      CHECK(b.interlaced == 0 && b.missing_pixels == 0);
      check_table(a.palette, b.palette);
      check_indices(a.bitmap, b.bitmap);
   }
   free_gif_sequence(read);

   // The first frame as a single bitmap with a 6-bit palette.
   PALETTE palette;
   for (int k = 0; k < 256; k++)
      palette[k] = RGB{uint8_t(in.byte() % 64), uint8_t(in.byte() % 64), uint8_t(in.byte() % 64), 0};
   BITMAP *first = frames[0].bitmap;
   const int saved = save_gif_bitmap(file.c_str(), first, palette);
   if (first->w == 0 || first->h == 0) {
      CHECK(saved == -1);
   } else {
      CHECK(saved == 0);
      read = open_gif_sequence(file.c_str());
      CHECK(read && read->frame_count == 1 && read->loop_count == 0);
      CHECK(read->frames[0].palette.count == 256);
      for (int k = 0; k < 256; k++)
         CHECK(read->frames[0].palette.colors[k].g == _rgb_scale_6[palette[k].g]);
      check_indices(first, read->frames[0].bitmap);
      free_gif_sequence(read);
   }

   for (GifFrame &frame : frames)
      destroy_bitmap(frame.bitmap);
}


// One pixel as composed: 0xRRGGBB, or -1 where nothing shows. Table
// colours are never magenta, the canvas's mask colour.
std::vector<long> composed(BITMAP *canvas)
{
   std::vector<long> out;
   const int mask = bitmap_mask_color(canvas);
   for (int y = 0; y < canvas->h; y++)
      for (int x = 0; x < canvas->w; x++) {
         const int c = getpixel(canvas, x, y);
         out.push_back(c == mask ? -1 : long(getr32(c)) << 16 | getg32(c) << 8 | getb32(c));
      }
   return out;
}

// Frames on a small screen, each a table of its own (so that local tables
// come in) and the last frame's indices with runs laid over part of them,
// some of them repeats; written with the animation writer, read back and
// composed, every frame must show as added, repeats merged.
void round_trip_animation(Bytes &in)
{
   GifAnimationSettings settings;
   settings.width = 1 + in.byte() % 40;
   settings.height = 1 + in.byte() % 40;
   settings.loop_count = in.byte() % 3 - 1;
   const int w = settings.width, h = settings.height;
   const std::string file = scratch_file();
   std::string problem;
   GifAnimationPtr animation(open_gif_animation(file.c_str(), settings, &problem));
   CHECK(animation);

   BITMAP *indices = create_bitmap_ex(8, w, h);
   CHECK(indices);
   clear_bitmap(indices);
   ColorTable table;
   memset(&table, 0, sizeof table);
   std::vector<std::vector<long>> pictures;
   std::vector<int> delays;
   const int frames = 1 + in.byte() % 6;
   for (int i = 0; i < frames; i++) {
      if (i == 0 || in.byte() < 200) {
         table.count = 1 + in.byte();
         if (table.count > 256)
            table.count = 256;
         for (int k = 0; k < table.count; k++) {
            const int c = in.byte() << 16 | in.byte() << 8 | in.byte();
            const int safe = c == 0xFF00FF ? 0xFF00FE : c;
            table.colors[k] = {uint8_t(safe >> 16), uint8_t(safe >> 8), uint8_t(safe), 0};
         }
      }
      const int transparent = in.byte() < 128 ? -1 : in.byte();
      const int x0 = in.byte() % w, y0 = in.byte() % h;
      const int rw = 1 + in.byte() % (w - x0), rh = 1 + in.byte() % (h - y0);
      for (long at = 0; at < long(rw) * rh;) {
         const int value = in.byte();
         for (long run = 1 + in.byte() % 8; run > 0 && at < long(rw) * rh; run--, at++)
            indices->line[y0 + at / rw][x0 + at % rw] = uint8_t(value);
      }
      const int delay = in.word();
      CHECK(add_gif_indexed_frame(animation.get(), indices, &table, transparent, delay,
                                  &problem) == 0);
      std::vector<long> picture;
      for (int y = 0; y < h; y++)
         for (int x = 0; x < w; x++) {
            const int k = indices->line[y][x];
            const GifColor &c = table.colors[k];
            picture.push_back(k == transparent ? -1
                              : k < table.count ? long(c.r) << 16 | c.g << 8 | c.b
                                                : 0);
         }
      if (!pictures.empty() && picture == pictures.back() && delays.back() + delay <= 0xFFFF) {
         delays.back() += delay;
      } else {
         pictures.push_back(picture);
         delays.push_back(delay);
      }
   }
   destroy_bitmap(indices);
   GifAnimationReport report;
   CHECK(close_gif_animation(animation.release(), &problem, &report) == 0);
   CHECK(report.frames_reduced == 0 && report.frames_written == long(pictures.size()));

   GifSequence *read = open_gif_sequence(file.c_str());
   CHECK(read && read->frame_count == int(pictures.size()));
   CHECK(read->loop_count == (settings.loop_count < 0 ? 0 : settings.loop_count));
   BITMAP *canvas = create_bitmap_ex(32, w, h);
   CHECK(canvas);
   for (int i = 0; i < read->frame_count; i++) {
      CHECK(read->frames[i].delay == delays[size_t(i)]);
      draw_gif_frame(read, canvas, i, 0, 0);
      CHECK(composed(canvas) == pictures[size_t(i)]);
   }
   destroy_bitmap(canvas);
   free_gif_sequence(read);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      abort();
   set_color_depth(8);
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
   Bytes in(data, size);
   round_trip_sequence(in);
   round_trip_animation(in);
   return 0;
}
