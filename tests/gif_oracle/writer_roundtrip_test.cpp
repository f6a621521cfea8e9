// Files our writer makes (write_gif_sequence, save_gif_bitmap, and
// save_bitmap once the type is registered), read back by giflib,
// ImageMagick, gifsicle and our reader, which must all see what was
// written.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "oracle.h"
#include "support/gif_bytes.h"
#include "support/scratch.h"
#include "writer_check.h"

using namespace writer_check;
using oracle::Pattern;

namespace {

// The smallest minimum code size for indices below `values`.
int code_size_for(int values)
{
   int m = 2;
   while ((1 << m) < values)
      m++;
   return m;
}

std::string size_name(int width, int height)
{
   return std::to_string(width) + "x" + std::to_string(height);
}

// A 6-bit palette of distinct entries, none of them the mask colour
// (which a composed bitmap cannot tell from "nothing drawn").
void random_palette(std::mt19937 &rng, PALETTE palette)
{
   std::set<int> seen;
   for (int k = 0; k < PAL_SIZE; k++) {
      int c;
      do
         c = int(rng() & 0x3ffff);
      while (c == (63 << 12 | 63) || !seen.insert(c).second);
      palette[k] = RGB{uint8_t(c >> 12), uint8_t(c >> 6 & 63), uint8_t(c & 63), 0};
   }
}

// What a still saved with `palette` must hold: one frame of the given
// indices with a 256-entry local table of the palette scaled to 8 bits.
std::unique_ptr<Sequence> saved_still(BITMAP *indices, const RGB *palette)
{
   std::vector<uint32_t> table;
   for (int k = 0; k < PAL_SIZE; k++)
      table.push_back(uint32_t(_rgb_scale_6[palette[k].r] << 16 |
                               _rgb_scale_6[palette[k].g] << 8 | _rgb_scale_6[palette[k].b]));
   std::vector<unsigned char> pixels;
   for (int y = 0; y < indices->h; y++)
      pixels.insert(pixels.end(), indices->line[y], indices->line[y] + indices->w);
   auto s = std::make_unique<Sequence>(indices->w, indices->h);
   s->add(0, 0, indices->w, indices->h, pixels, table);
   return s;
}

BITMAP *indexed_bitmap(int width, int height, const std::vector<unsigned char> &pixels)
{
   BITMAP *b = create_bitmap_ex(8, width, height);
   for (int y = 0; y < height; y++)
      std::copy_n(&pixels[size_t(y) * width], width, b->line[y]);
   return b;
}

}  // namespace

// Every shape from a single pixel up to 1000x700, through single rows and
// columns and odd sizes, at each number of distinct values (3, 5, 17 and
// 200 give tables the writer rounds up), in global or local tables.
TEST(WriterRoundTrip, StillsOfManySizesAndValueRanges)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(101);
   const int sizes[][2] = {{1, 1},   {2, 1},    {1, 2},    {1, 37},   {37, 1},  {3, 3},
                           {7, 5},   {16, 16},  {31, 17},  {63, 65},  {129, 3}, {4095, 1},
                           {1, 4095}, {255, 255}, {333, 211}};
   const int values[] = {2, 3, 4, 5, 17, 200, 256};
   const Pattern patterns[] = {Pattern::noise, Pattern::runs, Pattern::stripes, Pattern::mixed};
   int n = 0;
   for (const auto &size : sizes)
      for (int v : values) {
         const Pattern pattern = patterns[n % 4];
         const std::string name = "still-" + std::to_string(n++) + ".gif";
         SCOPED_TRACE(size_name(size[0], size[1]) + ", " + std::to_string(v) + " values, " +
                      name);
         batch.write(name, still(rng, size[0], size[1], v,
                                 oracle::make_pixels(rng, pattern, size[0], size[1], v), n % 2));
      }
   batch.finish();
   // The largest: noise over every value, and few values in mixed rows.
   batch.write("noise-1000x700.gif",
               still(rng, 1000, 700, 256,
                     oracle::make_pixels(rng, Pattern::noise, 1000, 700, 256), false));
   batch.write("mixed-1000x700.gif",
               still(rng, 1000, 700, 3,
                     oracle::make_pixels(rng, Pattern::mixed, 1000, 700, 3), true));
}

// Prefixes of one stream of noise, chosen so that the data ends with the
// code width just grown, just before and after each width boundary, right
// after the dictionary was cleared, and with the data filling whole
// 255-byte sub-blocks (or one byte either side). Readers that stop at
// the last pixel never look at the end code, so the strict walk does.
TEST(WriterRoundTrip, DataEndingAtCodeWidthAndSubBlockBoundaries)
{
   Scratch scratch;
   const int value_counts[] = {2, 3, 5, 17, 200, 256};
   for (int values : value_counts) {
      SCOPED_TRACE(std::to_string(values) + " values");
      Batch batch(scratch);
      const int m = code_size_for(values);
      std::mt19937 rng(200 + unsigned(values));
      std::vector<unsigned char> stream(60000);
      for (unsigned char &p : stream)
         p = (unsigned char)(rng() % unsigned(values));
      const std::vector<PrefixEnd> ends = prefix_ends(stream, m);

      // The first prefix that meets each condition; one file per length.
      std::map<size_t, std::string> chosen;
      auto choose = [&](const std::string &why, auto condition, int how_many = 1) {
         long last_bytes = -1;
         for (size_t n = 1; n < ends.size() && how_many > 0; n++)
            if (condition(ends[n]) && ends[n].data_bytes != last_bytes) {
               chosen.emplace(n, why);
               last_bytes = ends[n].data_bytes;
               how_many--;
            }
         if (how_many > 0)
            ADD_FAILURE() << "no prefix of the stream " << why;
      };
      for (int w = m + 1; w <= 12; w++)
         for (int d = -1; d <= 1; d++) {
            const int entries = (1 << w) + d;
            if (entries < (1 << m) + 2 || entries > 4095)
               continue;
            choose("ends with " + std::to_string(entries) + " entries", [&](const PrefixEnd &e) {
               return e.clears == 0 && e.entries_at_end == entries;
            });
         }
      for (int d = 2; d <= 4; d++)
         choose("ends " + std::to_string(d - 2) + " code(s) after a clear",
                [&](const PrefixEnd &e) { return e.clears == 1 && e.entries_at_end == (1 << m) + d; });
      for (int r : {0, 1, 254})
         choose("has 255 k + " + std::to_string(r) + " bytes of data",
                [&](const PrefixEnd &e) { return e.data_bytes >= 255 && e.data_bytes % 255 == r; },
                r ? 1 : 3);

      std::set<int> widened;
      bool after_clear = false, whole_blocks = false;
      for (const auto &c : chosen) {
         const int n = int(c.first);
         // Rows and columns both.
         const int width = n % 2 ? n : 1, height = n % 2 ? 1 : n;
         SCOPED_TRACE(c.second + ": " + size_name(width, height));
         std::vector<unsigned char> pixels(stream.begin(), stream.begin() + n);
         const StreamFacts facts =
            batch.write("prefix-" + std::to_string(values) + "-" + std::to_string(n) + ".gif",
                        still(rng, width, height, values, pixels, values % 2));
         if (facts.images.size() != 1)
            continue;
         const ImageFacts &f = facts.images[0];
         EXPECT_EQ(f.min_code_size, m);
         if (f.widened_by_last_code)
            widened.insert(f.end_width);
         after_clear = after_clear || f.clears > 0;
         whole_blocks = whole_blocks || (f.data_bytes % 255 == 0 && f.last_block == 255);
      }
      // The files really ended where they were meant to.
      for (int w = m + 2; w <= 12; w++)
         EXPECT_TRUE(widened.count(w)) << "no file ended just after widening to " << w << " bits";
      EXPECT_TRUE(after_clear) << "no file ended after a clear code";
      EXPECT_TRUE(whole_blocks) << "no file's data filled whole sub-blocks";
   }
}

// Runs of two values: long ones build strings of thousands of pixels
// across rows, short ones refill the dictionary again and again; and
// images of a single value at many sizes and code sizes.
TEST(WriterRoundTrip, LongRunsAndSingleValues)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(301);
   batch.write("runs-1000x700.gif",
               still(rng, 1000, 700, 2, long_runs(rng, 700000, 2, 3000), false));
   const StreamFacts runs = batch.write(
      "short-runs-640x480.gif", still(rng, 640, 480, 2, long_runs(rng, 640 * 480, 2, 16), true));
   ASSERT_EQ(runs.images.size(), 1u);
   EXPECT_GE(runs.images[0].clears, 3) << "the dictionary was meant to refill";
   batch.write("runs-17-500x300.gif",
               still(rng, 500, 300, 17, long_runs(rng, 500 * 300, 17, 700), true));

   const int sizes[][2] = {{1, 1},    {2, 1},   {1, 2},    {3, 3},     {5, 7},
                           {1, 4096}, {4096, 1}, {64, 64},  {100, 100}, {257, 129},
                           {1, 65535}, {1000, 700}};
   const int constants[] = {0, 1, 3, 4, 7, 16, 200, 255};
   int n = 0;
   for (const auto &size : sizes) {
      const int value = constants[n % 8];
      SCOPED_TRACE(size_name(size[0], size[1]) + " of " + std::to_string(value));
      const std::string name = "constant-" + std::to_string(n++) + ".gif";
      const StreamFacts facts =
         batch.write(name, still(rng, size[0], size[1], std::max(2, value + 1),
                                 constant_pixels(size[0] * size[1], (unsigned char)value),
                                 n % 2));
      if (facts.images.size() == 1) {
         EXPECT_EQ(facts.images[0].min_code_size, code_size_for(value + 1));
      }
   }
}

// Several frames with every record the writer stores: offsets, global
// tables and local ones of 2, 3 (written as 4) and 256 entries, frames
// using the global table, transparency, disposals 0 to 3 (and the
// undefined 4 to 7), delays up to 65535, loop counts -1, 0 and 5 and a
// background index.
TEST(WriterRoundTrip, SequencesWithEveryRecord)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(401);
   auto pixels = [&](int w, int h, int values) {
      return oracle::make_pixels(rng, Pattern::mixed, w, h, values);
   };
   {
      auto s = std::make_unique<Sequence>(64, 48, oracle::random_table(rng, 3), 0, 2);
      GifFrame &a = s->add(0, 0, 64, 48, pixels(64, 48, 3));
      a.disposal = 1;
      a.delay = 10;
      GifFrame &b = s->add(5, 4, 20, 10, pixels(20, 10, 2), oracle::random_table(rng, 2));
      b.disposal = 2;
      b.transparent_index = 1;
      GifFrame &c = s->add(30, 20, 30, 25, pixels(30, 25, 3), oracle::random_table(rng, 3));
      c.disposal = 3;
      c.transparent_index = 2;
      c.delay = 65535;
      GifFrame &d = s->add(0, 0, 17, 13, pixels(17, 13, 256), oracle::random_table(rng, 256));
      d.delay = 7;
      GifFrame &e = s->add(40, 0, 24, 48, pixels(24, 48, 3));
      e.disposal = 1;
      e.transparent_index = 0;
      GifFrame &f = s->add(10, 30, 50, 18, pixels(50, 18, 3));
      f.disposal = 3;
      batch.write("mixed-tables.gif", std::move(s));
   }
   {
      // No global table: each frame brings its own, of every size.
      auto s = std::make_unique<Sequence>(90, 70, std::vector<uint32_t>(), 5, 7);
      for (int b = 1; b <= 8; b++) {
         const int count = 1 << b;
         GifFrame &f = s->add(b * 9, b * 7, 20 + b, 12 + b, pixels(20 + b, 12 + b, count),
                              oracle::random_table(rng, count));
         f.disposal = b % 4;
         f.delay = b * 3;
         f.transparent_index = b % 2 ? int(rng() % unsigned(count)) : -1;
      }
      batch.write("local-only.gif", std::move(s));
   }
   {
      auto s = std::make_unique<Sequence>(30, 30, oracle::random_table(rng, 256), -1, 255);
      s->add(0, 0, 30, 30, pixels(30, 30, 256));
      for (int disposal = 4; disposal < 8; disposal++) {
         GifFrame &f = s->add(disposal * 3, disposal, 10, 12, pixels(10, 12, 256));
         f.disposal = disposal;
         f.transparent_index = 255;
      }
      batch.write("undefined-disposals.gif", std::move(s));
   }
   {
      auto s = std::make_unique<Sequence>(1, 1, oracle::random_table(rng, 2), 5);
      s->add(0, 0, 1, 1, pixels(1, 1, 2)).delay = 1;
      batch.write("one-pixel-loop.gif", std::move(s));
   }
   {
      // Every pair of disposals over a backdrop, with a third frame
      // showing what the second one's disposal left.
      for (int first = 0; first < 4; first++)
         for (int second = 0; second < 4; second++) {
            auto s = std::make_unique<Sequence>(24, 18, oracle::random_table(rng, 8), 0);
            s->add(0, 0, 24, 18, pixels(24, 18, 8)).disposal = (first + second) % 4;
            GifFrame &a = s->add(3, 2, 14, 10, pixels(14, 10, 8));
            a.disposal = first;
            a.transparent_index = first % 2 ? 2 : -1;
            GifFrame &b = s->add(8, 6, 12, 9, pixels(12, 9, 8));
            b.disposal = second;
            b.transparent_index = second % 2 ? -1 : 5;
            s->add(0, 0, 10, 8, pixels(10, 8, 8)).transparent_index = 1;
            batch.write("pair-" + std::to_string(first) + std::to_string(second) + ".gif",
                        std::move(s));
         }
   }
   {
      // Frames reaching past the screen's edges, and indices past the
      // two-entry table (drawn black): not for ImageMagick, which has its
      // own ideas about both.
      auto s = std::make_unique<Sequence>(40, 30, oracle::random_table(rng, 2), 0);
      s->add(0, 0, 40, 30, pixels(40, 30, 4)).disposal = 1;
      GifFrame &a = s->add(30, 20, 20, 15, pixels(20, 15, 2));
      a.disposal = 3;
      GifFrame &b = s->add(35, 2, 10, 10, pixels(10, 10, 2), oracle::random_table(rng, 3));
      b.disposal = 2;
      b.transparent_index = 3;
      s->add(1, 25, 30, 10, pixels(30, 10, 4));
      batch.write("past-the-edges.gif", std::move(s), false);
   }
}

// Seeded random sequences that mix all of the above, with frames inside
// the screen so that ImageMagick reads every one.
TEST(WriterRoundTrip, RandomSequences)
{
   Scratch scratch;
   Batch batch(scratch);
   for (unsigned seed = 0; seed < 40; seed++) {
      std::mt19937 rng(500 + seed);
      const int width = 1 + int(rng() % 80), height = 1 + int(rng() % 60);
      const int loops[] = {-1, 0, 5};
      std::vector<uint32_t> global;
      if (rng() % 4)
         global = oracle::random_table(rng, 2 + int(rng() % 255));
      auto s = std::make_unique<Sequence>(width, height, global, loops[rng() % 3],
                                          int(rng() % 256));
      const int frames = 1 + int(rng() % 6);
      for (int k = 0; k < frames; k++) {
         const int w = 1 + int(rng() % unsigned(width)), h = 1 + int(rng() % unsigned(height));
         const int x = int(rng() % unsigned(width - w + 1)), y = int(rng() % unsigned(height - h + 1));
         std::vector<uint32_t> local;
         if (global.empty() || rng() % 3 == 0)
            local = oracle::random_table(rng, 2 + int(rng() % 255));
         const int count = int((local.empty() ? global : local).size());
         GifFrame &f = s->add(x, y, w, h,
                              oracle::make_pixels(rng, Pattern(rng() % 4), w, h, count), local);
         f.disposal = int(rng() % 4);
         f.delay = int(rng() % 300);
         f.transparent_index = rng() % 2 ? int(rng() % unsigned(count)) : -1;
      }
      SCOPED_TRACE("seed " + std::to_string(seed));
      batch.write("random-" + std::to_string(seed) + ".gif", std::move(s));
   }
}

// Files from other encoders, read by our reader and written back: giflib
// composes the copy exactly as it composes the original. Interlaced rows
// come back in display order, in a file that is not interlaced.
TEST(WriterRoundTrip, OtherEncodersFilesWrittenBack)
{
   Scratch scratch;
   std::mt19937 rng(601);
   oracle::GifPlan plan(60, 45, oracle::random_table(rng, 32), 3);
   const int layout[][5] = {{0, 0, 60, 45, 1}, {5, 3, 30, 17, 3}, {20, 10, 33, 35, 2},
                            {1, 30, 50, 9, 0}};
   for (const auto &l : layout) {
      oracle::FramePlan f = oracle::with_control(oracle::frame_at(rng, l[0], l[1], l[2], l[3], 8),
                                                 l[4], l[4] ? 6 : -1, 4);
      f.interlaced = l[4] != 1;
      if (l[4] == 2)
         f.local = oracle::random_table(rng, 8);
      plan.frames.push_back(f);
   }
   const std::string giflib_file = oracle::write_with_giflib(scratch.path("giflib.gif"), plan);
   const std::string sicle_file = scratch.path("gifsicle.gif");
   ASSERT_TRUE(oracle::gifsicle("-O3 " + oracle::quoted(giflib_file), sicle_file));
   const std::string magick_file = scratch.path("magick.gif");
   ASSERT_TRUE(oracle::magick("-seed 4 -size 70x50 plasma: -colors 50 -interlace GIF " +
                              oracle::quoted(magick_file)));

   for (const std::string &original : {giflib_file, sicle_file, magick_file}) {
      SCOPED_TRACE(original);
      const GifSequencePtr read(open_gif_sequence(original.c_str()));
      ASSERT_TRUE(read);
      const std::string copy = original + ".copy.gif";
      ASSERT_EQ(write_gif_sequence(copy.c_str(), read.get()), 0);
      EXPECT_TRUE(strict_structure(copy, nullptr));
      EXPECT_TRUE(giflib_reads_as_written(copy, *read));
      const std::vector<oracle::Picture> before = oracle::reference_frames(original);
      const std::vector<oracle::Picture> after = oracle::reference_frames(copy);
      ASSERT_EQ(before.size(), after.size());
      for (size_t i = 0; i < before.size(); i++)
         EXPECT_TRUE(oracle::same_picture(before[i], after[i],
                                          "giflib's composition of frame " + std::to_string(i)));
      EXPECT_TRUE(gifsicle_reads_cleanly({copy}));
   }
}

// 8-bit bitmaps saved with a palette of 6-bit components: the indices go
// out unchanged under a 256-entry local table of the palette scaled to 8
// bits (_rgb_scale_6), with the current palette when none is given.
TEST(SaveGifBitmap, EightBitBitmapsWithAPalette)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(701);
   const int sizes[][2] = {{1, 1}, {7, 3}, {1, 300}, {4095, 1}, {320, 200}};
   int n = 0;
   for (const auto &size : sizes)
      for (int values : {2, 256}) {
         SCOPED_TRACE(size_name(size[0], size[1]) + ", " + std::to_string(values) + " values");
         PALETTE palette;
         random_palette(rng, palette);
         BitmapPtr bitmap(indexed_bitmap(
            size[0], size[1], oracle::make_pixels(rng, Pattern(n % 4), size[0], size[1], values)));
         const std::string path = scratch.path("saved-" + std::to_string(n++) + ".gif");
         ASSERT_EQ(save_gif_bitmap(path.c_str(), bitmap.get(), palette), 0);
         batch.check(path, saved_still(bitmap.get(), palette));
      }

   // Without a palette, the one in force is written.
   PALETTE current, previous;
   get_palette(previous);
   random_palette(rng, current);
   set_palette(current);
   BitmapPtr bitmap(indexed_bitmap(50, 40, oracle::make_pixels(rng, Pattern::noise, 50, 40, 256)));
   const std::string path = scratch.path("current-palette.gif");
   const int status = save_gif_bitmap(path.c_str(), bitmap.get(), nullptr);
   set_palette(previous);
   ASSERT_EQ(status, 0);
   batch.check(path, saved_still(bitmap.get(), current));
}

// Hi- and truecolour bitmaps take the indices the library's own blit to
// an 8-bit bitmap gives under the palette; colours that are exactly an
// entry (other than 0, which the library keeps for the mask) map to it.
TEST(SaveGifBitmap, HiAndTruecolourBitmapsMapAsTheLibraryBlits)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(801);
   for (int depth : {15, 16, 24, 32}) {
      SCOPED_TRACE(std::to_string(depth) + " bpp");
      PALETTE palette;
      random_palette(rng, palette);
      const int w = 97, h = 41;
      BitmapPtr picture(create_bitmap_ex(depth, w, h));
      std::vector<int> exact(size_t(w) * h, -1);
      for (int y = 0; y < h; y++)
         for (int x = 0; x < w; x++) {
            if ((x + y) % 2) {
               const int k = 1 + int(rng() % 255);
               exact[size_t(y) * w + x] = k;
               putpixel(picture.get(), x, y,
                        makecol_depth(depth, _rgb_scale_6[palette[k].r],
                                      _rgb_scale_6[palette[k].g], _rgb_scale_6[palette[k].b]));
            } else {
               putpixel(picture.get(), x, y,
                        makecol_depth(depth, rng() & 255, rng() & 255, rng() & 255));
            }
         }
      BitmapPtr expected(create_bitmap_ex(8, w, h));
      select_palette(palette);
      blit(picture.get(), expected.get(), 0, 0, 0, 0, w, h);
      unselect_palette();
      if (depth >= 24) {
         long wrong = 0;
         for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
               const int k = exact[size_t(y) * w + x];
               wrong += k >= 0 && expected->line[y][x] != k;
            }
         EXPECT_EQ(wrong, 0) << "pixels of an exact palette colour mapped elsewhere";
      }
      const std::string path = scratch.path("truecolour-" + std::to_string(depth) + ".gif");
      ASSERT_EQ(save_gif_bitmap(path.c_str(), picture.get(), palette), 0);
      batch.check(path, saved_still(expected.get(), palette));
   }
}

// A program that sped up its own colour lookups with rgb_map keeps that
// table for its palette; a truecolour bitmap saved with another palette
// must still map to the palette given, whose table the file holds. Here
// every pixel is exactly one of the palette's entries 1..255.
TEST(SaveGifBitmap, TruecolourMapsToTheGivenPaletteWhateverRgbMapHolds)
{
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(851);
   PALETTE palette, game;
   random_palette(rng, palette);
   random_palette(rng, game);
   static RGB_MAP game_map;
   create_rgb_table(&game_map, game, nullptr);

   const int w = 51, h = 5;
   BitmapPtr picture(create_bitmap_ex(32, w, h));
   std::vector<unsigned char> entries;
   for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
         const int k = 1 + (y * w + x) % 255;
         entries.push_back((unsigned char)k);
         putpixel(picture.get(), x, y,
                  makecol32(_rgb_scale_6[palette[k].r], _rgb_scale_6[palette[k].g],
                            _rgb_scale_6[palette[k].b]));
      }
   RGB_MAP *const previous = rgb_map;
   rgb_map = &game_map;
   const std::string path = scratch.path("with-rgb-map.gif");
   const int status = save_gif_bitmap(path.c_str(), picture.get(), palette);
   rgb_map = previous;
   ASSERT_EQ(status, 0);
   BitmapPtr expected(indexed_bitmap(w, h, entries));
   batch.check(path, saved_still(expected.get(), palette));
}

// Once the type is registered, the library's save_bitmap writes ".gif"
// names (in either case) through the codec: the same files as above.
TEST(RegisteredGifType, SaveBitmapWritesFilesGiflibReads)
{
   register_gif_type();
   Scratch scratch;
   Batch batch(scratch);
   std::mt19937 rng(901);
   PALETTE palette;
   random_palette(rng, palette);

   BitmapPtr indices(
      indexed_bitmap(123, 45, oracle::make_pixels(rng, Pattern::mixed, 123, 45, 256)));
   for (const char *name : {"eight.gif", "EIGHT.GIF"}) {
      SCOPED_TRACE(name);
      const std::string path = scratch.path(name);
      ASSERT_EQ(save_bitmap(path.c_str(), indices.get(), palette), 0);
      batch.check(path, saved_still(indices.get(), palette));
   }

   BitmapPtr picture(create_bitmap_ex(32, 64, 33));
   for (int y = 0; y < 33; y++)
      for (int x = 0; x < 64; x++)
         putpixel(picture.get(), x, y, makecol32(x * 4, y * 7, (x * y) & 255));
   BitmapPtr expected(create_bitmap_ex(8, 64, 33));
   select_palette(palette);
   blit(picture.get(), expected.get(), 0, 0, 0, 0, 64, 33);
   unselect_palette();
   const std::string path = scratch.path("truecolour.gif");
   ASSERT_EQ(save_bitmap(path.c_str(), picture.get(), palette), 0);
   batch.check(path, saved_still(expected.get(), palette));
}

// The strict walk itself, on hand-built streams: it must reject the
// faults that giflib, gifsicle and ImageMagick read past without a word
// (a missing end code, data after it) as well as plainly broken ones.
TEST(StrictWalk, RejectsFaultyStreams)
{
   Scratch scratch;
   // Four pixels 0..3 at minimum code size 2: the reader widens to 4 bits
   // after the third code.
   const std::vector<Code> good = {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {5, 4}};
   auto file = [&](const std::string &name, const std::vector<Code> &codes,
                   const char *signature = "GIF89a") {
      GifBytes gif;
      gif.header(4, 1, {0x000000, 0x0000ff, 0x00ff00, 0xff0000}, 0, signature);
      gif.image(0, 0, 4, 1).data(2, codes).trailer();
      return scratch.write(name, gif.bytes);
   };
   StreamFacts facts;
   ASSERT_TRUE(strict_structure(file("good.gif", good), &facts));
   ASSERT_EQ(facts.images.size(), 1u);
   EXPECT_EQ(facts.images[0].end_width, 4);
   EXPECT_EQ(facts.images[0].entries_at_end, 9);
   EXPECT_EQ(facts.images[0].data_bytes, 3);

   std::vector<Code> no_end(good.begin(), good.end() - 1);
   EXPECT_FALSE(strict_structure(file("no-end.gif", no_end), nullptr));
   std::vector<Code> early_end = {{4, 3}, {0, 3}, {1, 3}, {5, 3}};
   EXPECT_FALSE(strict_structure(file("early-end.gif", early_end), nullptr));
   std::vector<Code> too_many = {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {6, 4}, {5, 4}};
   EXPECT_FALSE(strict_structure(file("too-many.gif", too_many), nullptr));
   std::vector<Code> past_dictionary = {{4, 3}, {0, 3}, {7, 3}, {5, 3}};
   EXPECT_FALSE(strict_structure(file("past-dictionary.gif", past_dictionary), nullptr));
   std::vector<Code> padded = good;
   padded.push_back({0, 8});  // a whole byte after the end code
   EXPECT_FALSE(strict_structure(file("padded.gif", padded), nullptr));
   EXPECT_FALSE(strict_structure(file("old.gif", good, "GIF87a"), nullptr));

   std::vector<unsigned char> bytes = read_file(scratch.path("good.gif"));
   const size_t packed = 13 + 12 + 9;  // the descriptor's last byte, after the table of 4
   ASSERT_EQ(bytes[packed], 0);
   bytes[packed] = 7;  // no local table, yet its size
   EXPECT_FALSE(strict_structure(scratch.write("size-without-table.gif", bytes), nullptr));
   bytes[packed] = 0;
   bytes.push_back(0);
   EXPECT_FALSE(strict_structure(scratch.write("after-trailer.gif", bytes), nullptr));
   bytes.resize(bytes.size() - 2);
   EXPECT_FALSE(strict_structure(scratch.write("no-trailer.gif", bytes), nullptr));
}
