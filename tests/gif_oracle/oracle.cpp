#include "oracle.h"

#include <allegro.h>
#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>

#include "gif/gif.h"
#include "support/scratch.h"

namespace oracle {

const char *const GIFSICLE = ORACLE_GIFSICLE;
const char *const GIFBUILD = ORACLE_GIFBUILD;
const char *const GIFCODEC = ORACLE_GIFCODEC;

namespace {

// ---------------------------------------------------------------------------
// giflib, both ways.

struct MapDeleter {
   void operator()(ColorMapObject *map) const { GifFreeMapObject(map); }
};
using MapPtr = std::unique_ptr<ColorMapObject, MapDeleter>;

MapPtr make_map(const std::vector<uint32_t> &colours)
{
   if (colours.empty())
      return nullptr;
   std::vector<GifColorType> table(colours.size());
   for (size_t k = 0; k < colours.size(); k++)
      table[k] = {GifByteType(colours[k] >> 16), GifByteType(colours[k] >> 8),
                  GifByteType(colours[k])};
   MapPtr map(GifMakeMapObject(int(colours.size()), table.data()));
   if (!map)
      throw std::runtime_error("giflib refuses a table of " + std::to_string(colours.size()));
   return map;
}

void check_egif(int status, GifFileType *gif, const char *what)
{
   if (status != GIF_ERROR)
      return;
   const int error = gif->Error;
   int ignored;
   EGifCloseFile(gif, &ignored);
   throw std::runtime_error(std::string("giflib ") + what + ": " + GifErrorString(error));
}

GraphicsControlBlock control_of(GifFileType *gif, int i)
{
   GraphicsControlBlock gcb;
   gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
   gcb.UserInputFlag = false;
   gcb.DelayTime = 0;
   gcb.TransparentColor = NO_TRANSPARENT_COLOR;
   if (DGifSavedExtensionToGCB(gif, i, &gcb) == GIF_ERROR) {
      gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
      gcb.DelayTime = 0;
      gcb.TransparentColor = NO_TRANSPARENT_COLOR;
   }
   return gcb;
}

// The reference compositor: deliberately the plainest per-pixel loop.
std::vector<Picture> compose(GifFileType *gif)
{
   Picture screen;
   screen.width = gif->SWidth;
   screen.height = gif->SHeight;
   screen.pixels.assign(size_t(screen.width) * screen.height, MASK);
   Picture before;  // the screen as it was before the previous frame
   std::vector<Picture> out;
   for (int i = 0; i < gif->ImageCount; i++) {
      if (i > 0) {
         const GifImageDesc &p = gif->SavedImages[i - 1].ImageDesc;
         const int mode = control_of(gif, i - 1).DisposalMode;
         for (int y = p.Top; y < p.Top + p.Height; y++)
            for (int x = p.Left; x < p.Left + p.Width; x++) {
               if (x >= screen.width || y >= screen.height)
                  continue;
               const size_t at = size_t(y) * screen.width + x;
               if (mode == DISPOSE_BACKGROUND)
                  screen.pixels[at] = MASK;
               else if (mode == DISPOSE_PREVIOUS)
                  screen.pixels[at] = before.pixels[at];
            }
      }
      before = screen;
      const SavedImage &image = gif->SavedImages[i];
      const GifImageDesc &d = image.ImageDesc;
      const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
      const int transparent = control_of(gif, i).TransparentColor;
      for (int r = 0; r < d.Height; r++)
         for (int c = 0; c < d.Width; c++) {
            const int x = d.Left + c, y = d.Top + r;
            if (x >= screen.width || y >= screen.height)
               continue;
            const int index = image.RasterBits[size_t(r) * d.Width + c];
            if (index == transparent)
               continue;
            int colour = 0;
            if (map && index < map->ColorCount) {
               const GifColorType &k = map->Colors[index];
               colour = k.Red << 16 | k.Green << 8 | k.Blue;
            }
            screen.pixels[size_t(y) * screen.width + x] = colour;
         }
      out.push_back(screen);
   }
   return out;
}

// The NETSCAPE2.0 loop count of a slurped file, or -1 when it has none.
int loop_count_of(GifFileType *gif)
{
   auto scan = [](int count, const ExtensionBlock *blocks) {
      for (int k = 0; k + 1 < count; k++) {
         const ExtensionBlock &b = blocks[k];
         if (b.Function == APPLICATION_EXT_FUNC_CODE && b.ByteCount == 11 &&
             std::string(reinterpret_cast<const char *>(b.Bytes), 11) == "NETSCAPE2.0") {
            const ExtensionBlock &data = blocks[k + 1];
            if (data.ByteCount >= 3 && data.Bytes[0] == 1)
               return data.Bytes[1] | data.Bytes[2] << 8;
         }
      }
      return -1;
   };
   for (int i = 0; i < gif->ImageCount; i++) {
      const int n =
         scan(gif->SavedImages[i].ExtensionBlockCount, gif->SavedImages[i].ExtensionBlocks);
      if (n >= 0)
         return n;
   }
   return scan(gif->ExtensionBlockCount, gif->ExtensionBlocks);
}

// ---------------------------------------------------------------------------
// Our pictures and records against giflib's.

int bitmap_pixel(BITMAP *bitmap, int x, int y)
{
   const int c = _getpixel32(bitmap, x, y);
   if (c == bitmap_mask_color(bitmap))
      return MASK;
   return getr32(c) << 16 | getg32(c) << 8 | getb32(c);
}

// Whether the bitmap pixel shows `expected`: the mask colour for MASK,
// otherwise the same red, green and blue (a magenta entry of a table is
// indistinguishable from the mask and is accepted as either).
bool shows(int expected, BITMAP *bitmap, int x, int y)
{
   const int c = _getpixel32(bitmap, x, y);
   if (expected == MASK)
      return c == bitmap_mask_color(bitmap);
   return getr32(c) == (expected >> 16 & 255) && getg32(c) == (expected >> 8 & 255) &&
          getb32(c) == (expected & 255);
}

// Compares `bitmap` with `expected` placed at (ox, oy); one line per
// picture with the number of wrong pixels and the first few of them.
void compare_bitmap(const Picture &expected, BITMAP *bitmap, int ox, int oy,
                    const std::string &what, Problems *problems)
{
   long wrong = 0;
   std::ostringstream first;
   for (int y = 0; y < expected.height; y++)
      for (int x = 0; x < expected.width; x++) {
         const int bx = x + ox, by = y + oy;
         if (bx < 0 || by < 0 || bx >= bitmap->w || by >= bitmap->h)
            continue;
         if (shows(expected.at(x, y), bitmap, bx, by))
            continue;
         if (wrong++ < 3)
            first << " (" << x << "," << y << ") expected " << describe(expected.at(x, y))
                  << " got " << describe(bitmap_pixel(bitmap, bx, by)) << ";";
      }
   if (wrong)
      problems->add(what + ": " + std::to_string(wrong) + " wrong pixel(s):" + first.str());
}

// Everything the reader records, frame by frame, against giflib.
void compare_records(GifFileType *gif, GifSequence *s, Problems *problems)
{
   if (s->width != gif->SWidth || s->height != gif->SHeight)
      problems->add("screen " + std::to_string(s->width) + "x" + std::to_string(s->height) +
                    ", giflib reads " + std::to_string(gif->SWidth) + "x" +
                    std::to_string(gif->SHeight));
   if (s->background_index != gif->SBackGroundColor)
      problems->add("background " + std::to_string(s->background_index) + ", giflib reads " +
                    std::to_string(gif->SBackGroundColor));
   const int loop = loop_count_of(gif);
   if (s->loop_count != (loop < 0 ? 0 : loop))
      problems->add("loop count " + std::to_string(s->loop_count) + ", giflib reads " +
                    std::to_string(loop));
   compare_entries(giflib_entries(gif->SColorMap), table_entries(s->palette), "global table",
                   problems, "giflib reads");
   if (s->frame_count != gif->ImageCount) {
      problems->add("frame count " + std::to_string(s->frame_count) + ", giflib reads " +
                    std::to_string(gif->ImageCount));
      return;
   }
   for (int i = 0; i < s->frame_count; i++) {
      const GifFrame &f = s->frames[i];
      const SavedImage &image = gif->SavedImages[i];
      const GifImageDesc &d = image.ImageDesc;
      const GraphicsControlBlock gcb = control_of(gif, i);
      const std::string name = "frame " + std::to_string(i);
      std::ostringstream ours, theirs;
      ours << f.x << "," << f.y << " " << f.bitmap->w << "x" << f.bitmap->h << " interlaced "
           << f.interlaced << " disposal " << f.disposal << " transparent "
           << f.transparent_index << " delay " << f.delay << " missing " << f.missing_pixels;
      theirs << d.Left << "," << d.Top << " " << d.Width << "x" << d.Height << " interlaced "
             << int(d.Interlace) << " disposal " << gcb.DisposalMode << " transparent "
             << gcb.TransparentColor << " delay " << gcb.DelayTime << " missing 0";
      if (ours.str() != theirs.str()) {
         problems->add(name + ": " + ours.str() + "; giflib reads " + theirs.str());
         continue;
      }
      compare_entries(giflib_entries(d.ColorMap), table_entries(f.palette), name + " local table",
                      problems, "giflib reads");
      const std::vector<int> want(image.RasterBits, image.RasterBits + size_t(d.Width) * d.Height);
      const std::string diff = index_difference(want, frame_indices(f.bitmap), d.Width);
      if (!diff.empty())
         problems->add(name + ": " + diff);
   }
}

}  // namespace

// ---------------------------------------------------------------------------

std::string describe(int colour)
{
   if (colour == MASK)
      return "mask";
   char text[32];
   snprintf(text, sizeof text, "(%d,%d,%d)", colour >> 16 & 255, colour >> 8 & 255,
            colour & 255);
   return text;
}

GiflibFile::GiflibFile(const std::string &path)
{
   int code = 0;
   gif = DGifOpenFileName(path.c_str(), &code);
   if (!gif) {
      error = "DGifOpenFileName: " + std::string(GifErrorString(code));
      return;
   }
   if (DGifSlurp(gif) == GIF_ERROR) {
      error = "DGifSlurp: error " + std::to_string(gif->Error) + ", " + GifErrorString(gif->Error);
      DGifCloseFile(gif, &code);
      gif = nullptr;
   }
}

GiflibFile::~GiflibFile()
{
   int ignored;
   if (gif)
      DGifCloseFile(gif, &ignored);
}

std::vector<uint32_t> giflib_entries(const ColorMapObject *map)
{
   std::vector<uint32_t> entries;
   for (int k = 0; map && k < map->ColorCount; k++)
      entries.push_back(uint32_t(map->Colors[k].Red << 16 | map->Colors[k].Green << 8 |
                                 map->Colors[k].Blue));
   return entries;
}

std::vector<uint32_t> table_entries(const ColorTable &table)
{
   std::vector<uint32_t> entries;
   for (int k = 0; k < table.count; k++)
      entries.push_back(uint32_t(table.colors[k].r << 16 | table.colors[k].g << 8 |
                                 table.colors[k].b));
   return entries;
}

void compare_entries(const std::vector<uint32_t> &want, const std::vector<uint32_t> &got,
                     const std::string &what, Problems *problems, const std::string &source)
{
   if (want.size() != got.size()) {
      problems->add(what + " has " + std::to_string(got.size()) + " entries, " + source + " " +
                    std::to_string(want.size()));
      return;
   }
   for (size_t k = 0; k < want.size(); k++)
      if (want[k] != got[k]) {
         problems->add(what + " entry " + std::to_string(k) + " is " + describe(int(got[k])) +
                       ", " + source + " " + describe(int(want[k])));
         return;
      }
}

std::vector<int> frame_indices(BITMAP *bitmap)
{
   std::vector<int> out;
   out.reserve(size_t(bitmap->w) * bitmap->h);
   for (int y = 0; y < bitmap->h; y++)
      for (int x = 0; x < bitmap->w; x++)
         out.push_back(bitmap->line[y][x]);
   return out;
}

std::string index_difference(const std::vector<int> &want, const std::vector<int> &got, int width)
{
   if (want.size() != got.size())
      return std::to_string(got.size()) + " indices instead of " + std::to_string(want.size());
   long wrong = 0;
   std::string first;
   for (size_t k = 0; k < want.size(); k++)
      if (want[k] != got[k] && !wrong++)
         first = ", first at (" + std::to_string(k % size_t(width)) + "," +
                 std::to_string(k / size_t(width)) + "): " + std::to_string(got[k]) +
                 " instead of " + std::to_string(want[k]);
   return wrong ? std::to_string(wrong) + " wrong index(es)" + first : std::string();
}

Picture picture_of(BITMAP *bitmap)
{
   Picture p;
   p.width = bitmap->w;
   p.height = bitmap->h;
   p.pixels.reserve(size_t(p.width) * p.height);
   for (int y = 0; y < bitmap->h; y++)
      for (int x = 0; x < bitmap->w; x++)
         p.pixels.push_back(bitmap_pixel(bitmap, x, y));
   return p;
}

std::string write_with_giflib(const std::string &path, const GifPlan &plan)
{
   int code = 0;
   GifFileType *gif = EGifOpenFileName(path.c_str(), false, &code);
   if (!gif)
      throw std::runtime_error("giflib cannot create " + path + ": " + GifErrorString(code));
   // GIF87a unless an extension needs GIF89a, as encoders do.
   bool extensions = plan.loop >= 0;
   for (const FramePlan &f : plan.frames)
      extensions = extensions || f.control;
   EGifSetGifVersion(gif, extensions);
   MapPtr global = make_map(plan.global);
   check_egif(EGifPutScreenDesc(gif, plan.width, plan.height, 8, plan.background, global.get()),
              gif, "screen");
   if (plan.loop >= 0) {
      const unsigned char data[3] = {1, GifByteType(plan.loop & 255),
                                     GifByteType(plan.loop >> 8)};
      check_egif(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE), gif, "loop");
      check_egif(EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0"), gif, "loop");
      check_egif(EGifPutExtensionBlock(gif, 3, data), gif, "loop");
      check_egif(EGifPutExtensionTrailer(gif), gif, "loop");
   }
   for (const FramePlan &f : plan.frames) {
      if (f.pixels.size() != size_t(f.width) * f.height)
         throw std::runtime_error("frame pixels do not match its size");
      if (f.control) {
         GraphicsControlBlock gcb;
         gcb.DisposalMode = f.disposal;
         gcb.UserInputFlag = false;
         gcb.DelayTime = f.delay;
         gcb.TransparentColor = f.transparent;
         GifByteType bytes[4];
         const size_t n = EGifGCBToExtension(&gcb, bytes);
         check_egif(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), bytes), gif,
                    "control");
      }
      MapPtr local = make_map(f.local);
      // giflib 5.2.1 drops (without freeing) the previous image's copy of
      // its local table when the next image has none.
      if (!local && gif->Image.ColorMap) {
         GifFreeMapObject(gif->Image.ColorMap);
         gif->Image.ColorMap = nullptr;
      }
      check_egif(
         EGifPutImageDesc(gif, f.x, f.y, f.width, f.height, f.interlaced, local.get()), gif,
         "image");
      // An interlaced image stores its rows pass by pass.
      std::vector<int> order;
      if (f.interlaced) {
         const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
         for (int pass = 0; pass < 4; pass++)
            for (int y = start[pass]; y < f.height; y += step[pass])
               order.push_back(y);
      } else {
         for (int y = 0; y < f.height; y++)
            order.push_back(y);
      }
      std::vector<GifPixelType> row(size_t(f.width));
      for (int y : order) {
         std::copy_n(f.pixels.begin() + long(y) * f.width, f.width, row.begin());
         check_egif(EGifPutLine(gif, row.data(), f.width), gif, "line");
      }
   }
   if (EGifCloseFile(gif, &code) == GIF_ERROR)
      throw std::runtime_error("giflib cannot finish " + path + ": " + GifErrorString(code));
   return path;
}

std::vector<uint32_t> random_table(std::mt19937 &rng, int count)
{
   std::set<uint32_t> seen;
   std::vector<uint32_t> table;
   while (int(table.size()) < count) {
      const uint32_t c = rng() & 0xffffff;
      if (c == 0xff00ff || !seen.insert(c).second)
         continue;
      table.push_back(c);
   }
   return table;
}

std::vector<unsigned char> make_pixels(std::mt19937 &rng, Pattern pattern, int width,
                                       int height, int colours)
{
   std::vector<unsigned char> pixels(size_t(width) * height);
   auto pick = [&] { return (unsigned char)(rng() % unsigned(colours)); };
   for (int y = 0; y < height; y++) {
      Pattern p = pattern;
      if (p == Pattern::mixed)
         p = Pattern(rng() % 3);
      unsigned char *row = &pixels[size_t(y) * width];
      switch (p) {
      case Pattern::noise:
         for (int x = 0; x < width; x++)
            row[x] = pick();
         break;
      case Pattern::runs: {
         int x = 0;
         while (x < width) {
            const unsigned char v = pick();
            const int n = 1 + int(rng() % 64);
            for (int k = 0; k < n && x < width; k++)
               row[x++] = v;
         }
         break;
      }
      default: {
         const int band = 1 + y / 7 % 5;
         for (int x = 0; x < width; x++)
            row[x] = (unsigned char)((x / band + y / 3) % colours);
         break;
      }
      }
   }
   return pixels;
}

FramePlan frame_at(std::mt19937 &rng, int x, int y, int width, int height, int colours,
                   Pattern pattern)
{
   FramePlan frame;
   frame.x = x;
   frame.y = y;
   frame.width = width;
   frame.height = height;
   frame.pixels = make_pixels(rng, pattern, width, height, colours);
   return frame;
}

FramePlan with_control(FramePlan frame, int disposal, int transparent, int delay)
{
   frame.control = true;
   frame.disposal = disposal;
   frame.transparent = transparent;
   frame.delay = delay;
   return frame;
}

GifPlan still(std::mt19937 &rng, int width, int height, int table, int colours, Pattern pattern)
{
   GifPlan plan(width, height, random_table(rng, table));
   plan.frames.push_back(frame_at(rng, 0, 0, width, height, colours, pattern));
   return plan;
}

std::vector<int> min_code_sizes(const std::string &path)
{
   const std::vector<unsigned char> b = read_file(path);
   std::vector<int> sizes;
   size_t at = 13;
   if (b.size() < at)
      return sizes;
   if (b[10] & 0x80)
      at += 3u << ((b[10] & 7) + 1);
   auto skip_blocks = [&] {
      while (at < b.size() && b[at] != 0)
         at += b[at] + 1u;
      at++;
   };
   while (at < b.size()) {
      const int kind = b[at++];
      if (kind == 0x21) {
         at++;
         skip_blocks();
      } else if (kind == 0x2C) {
         if (at + 9 > b.size())
            break;
         const int packed = b[at + 8];
         at += 9;
         if (packed & 0x80)
            at += 3u << ((packed & 7) + 1);
         if (at >= b.size())
            break;
         sizes.push_back(b[at++]);
         skip_blocks();
      } else {
         break;
      }
   }
   return sizes;
}

std::vector<Picture> reference_frames(const std::string &path)
{
   GiflibFile file(path);
   if (!file.gif) {
      ADD_FAILURE() << "giflib cannot read " << path << ": " << file.error;
      return {};
   }
   return compose(file.gif);
}

::testing::AssertionResult codec_matches_giflib(const std::string &path)
{
   GiflibFile file(path);
   if (!file.gif)
      return ::testing::AssertionFailure() << "giflib cannot read " << path << ": "
                                           << file.error;
   GifFileType *gif = file.gif;
   const std::vector<Picture> expected = compose(gif);

   GifSequencePtr sequence(open_gif_sequence(path.c_str()));
   if (!sequence)
      return ::testing::AssertionFailure() << "open_gif_sequence refuses " << path
                                           << ", which giflib reads";
   Problems problems;
   compare_records(gif, sequence.get(), &problems);
   if (sequence->frame_count != gif->ImageCount || sequence->width != gif->SWidth ||
       sequence->height != gif->SHeight)
      return problems.result(path);

   BitmapPtr screen(create_bitmap_ex(32, gif->SWidth, gif->SHeight));
   if (!screen)
      return ::testing::AssertionFailure() << "no memory for a screen of " << path;
   for (int i = 0; i < gif->ImageCount; i++) {
      draw_gif_frame(sequence.get(), screen.get(), i, 0, 0);
      compare_bitmap(expected[i], screen.get(), 0, 0,
                     "draw_gif_frame up to frame " + std::to_string(i), &problems);
   }

   PALETTE palette;
   for (int k = 0; k < PAL_SIZE; k++)
      palette[k] = {63, 0, 63, 0};
   BitmapPtr loaded(load_gif_bitmap(path.c_str(), palette));
   if (!loaded) {
      problems.add("load_gif_bitmap refuses the file");
   } else if (loaded->w != gif->SWidth || loaded->h != gif->SHeight ||
              bitmap_color_depth(loaded.get()) != 32) {
      problems.add("load_gif_bitmap gives " + std::to_string(loaded->w) + "x" +
                   std::to_string(loaded->h) + " at " +
                   std::to_string(bitmap_color_depth(loaded.get())) + " bpp");
   } else {
      compare_bitmap(expected.back(), loaded.get(), 0, 0, "load_gif_bitmap", &problems);
   }
   // The palette a file fills is its global table, at 6 bits.
   if (gif->SColorMap) {
      for (int k = 0; k < gif->SColorMap->ColorCount; k++) {
         const GifColorType &c = gif->SColorMap->Colors[k];
         const RGB &p = palette[k];
         if (p.r != c.Red / 4 || p.g != c.Green / 4 || p.b != c.Blue / 4) {
            problems.add("load_gif_bitmap palette entry " + std::to_string(k) + " is " +
                         std::to_string(p.r) + "," + std::to_string(p.g) + "," +
                         std::to_string(p.b) + ", the table holds " + describe(c.Red << 16 |
                         c.Green << 8 | c.Blue));
            break;
         }
      }
   }
   return problems.result(path);
}

// The reference frames and our sequence of one file, with as many frames.
static ::testing::AssertionResult load_both(const std::string &path,
                                            std::vector<Picture> *expected,
                                            GifSequencePtr *sequence)
{
   *expected = reference_frames(path);
   if (expected->empty())
      return ::testing::AssertionFailure() << "no oracle for " << path;
   sequence->reset(open_gif_sequence(path.c_str()));
   if (!*sequence)
      return ::testing::AssertionFailure() << "open_gif_sequence refuses " << path;
   if ((*sequence)->frame_count != int(expected->size()))
      return ::testing::AssertionFailure() << path << ": frame count differs";
   return ::testing::AssertionSuccess();
}

::testing::AssertionResult codec_matches_when_looping(const std::string &path)
{
   std::vector<Picture> expected;
   GifSequencePtr sequence;
   const ::testing::AssertionResult loaded = load_both(path, &expected, &sequence);
   if (!loaded)
      return loaded;
   BitmapPtr screen(create_bitmap_ex(32, sequence->width, sequence->height));
   for (int i = 0; i < sequence->frame_count; i++)
      draw_gif_frame(sequence.get(), screen.get(), i, 0, 0);
   Problems problems;
   for (int i = 0; i < sequence->frame_count; i++) {
      draw_gif_frame(sequence.get(), screen.get(), i, 0, 0);
      compare_bitmap(expected[size_t(i)], screen.get(), 0, 0,
                     "second loop, frame " + std::to_string(i), &problems);
   }
   return problems.result(path);
}

::testing::AssertionResult codec_matches_at_offset(const std::string &path, int ox, int oy,
                                                   int width, int height)
{
   std::vector<Picture> expected;
   GifSequencePtr sequence;
   const ::testing::AssertionResult loaded = load_both(path, &expected, &sequence);
   if (!loaded)
      return loaded;

   // A surround colour that no frame shows, so that a stray write is seen.
   std::set<int> used;
   for (const Picture &p : expected)
      used.insert(p.pixels.begin(), p.pixels.end());
   int surround = 0x010203;
   while (used.count(surround))
      surround += 0x010101;

   BitmapPtr dest(create_bitmap_ex(32, width, height));
   clear_to_color(dest.get(), makecol32(surround >> 16, surround >> 8 & 255, surround & 255));
   Problems problems;
   for (size_t i = 0; i < expected.size(); i++) {
      const std::string name = "frame " + std::to_string(i) + " at " + std::to_string(ox) +
                               "," + std::to_string(oy);
      draw_gif_frame(sequence.get(), dest.get(), int(i), ox, oy);
      compare_bitmap(expected[i], dest.get(), ox, oy, name, &problems);
      long stray = 0;
      std::string first;
      for (int y = 0; y < height; y++)
         for (int x = 0; x < width; x++) {
            const bool on_screen = x >= ox && y >= oy && x < ox + expected[i].width &&
                                   y < oy + expected[i].height;
            if (!on_screen && bitmap_pixel(dest.get(), x, y) != surround && !stray++)
               first = ", first at (" + std::to_string(x) + "," + std::to_string(y) +
                       ") of the bitmap: " + describe(bitmap_pixel(dest.get(), x, y));
         }
      if (stray)
         problems.add(name + ": " + std::to_string(stray) +
                      " pixel(s) outside the logical screen changed" + first);
   }
   return problems.result(path);
}

::testing::AssertionResult same_picture(const Picture &expected, const Picture &got,
                                        const std::string &what)
{
   if (expected.width != got.width || expected.height != got.height)
      return ::testing::AssertionFailure()
             << what << ": " << got.width << "x" << got.height << " instead of "
             << expected.width << "x" << expected.height;
   long wrong = 0;
   std::ostringstream first;
   for (int y = 0; y < expected.height; y++)
      for (int x = 0; x < expected.width; x++)
         if (expected.at(x, y) != got.at(x, y) && wrong++ < 3)
            first << " (" << x << "," << y << ") expected " << describe(expected.at(x, y))
                  << " got " << describe(got.at(x, y)) << ";";
   if (wrong)
      return ::testing::AssertionFailure() << what << ": " << wrong << " wrong pixel(s):"
                                           << first.str();
   return ::testing::AssertionSuccess();
}

::testing::AssertionResult run_ok(const std::string &command)
{
   std::string output;
   const int status = run(command, &output);
   if (status != 0)
      return ::testing::AssertionFailure() << command << " exits with " << status << ":\n"
                                           << output;
   return ::testing::AssertionSuccess();
}

::testing::AssertionResult gifsicle(const std::string &arguments, const std::string &out)
{
   return run_ok(std::string(GIFSICLE) + " --no-warnings " + arguments + " -o " + quoted(out));
}

::testing::AssertionResult magick(const std::string &arguments)
{
   return run_ok("MAGICK_THREAD_LIMIT=1 " ORACLE_CONVERT " " + arguments);
}

bool read_pam(const std::string &path, Pam *pam, std::string *error)
{
   const std::vector<unsigned char> bytes = read_file(path);
   const std::string text(bytes.begin(), bytes.end());
   std::istringstream in(text);
   std::string magic;
   in >> magic;
   size_t data_at = 0;
   if (magic == "P7") {
      std::string key;
      while (in >> key && key != "ENDHDR") {
         if (key == "WIDTH")
            in >> pam->width;
         else if (key == "HEIGHT")
            in >> pam->height;
         else if (key == "DEPTH")
            in >> pam->channels;
         else if (key == "MAXVAL")
            in >> pam->maxval;
         else if (key == "TUPLTYPE")
            in >> pam->tupltype;
         else
            std::getline(in, key);
      }
      in.get();  // the newline after ENDHDR
   } else if (magic == "P6") {
      in >> pam->width >> pam->height >> pam->maxval;
      in.get();
      pam->channels = 3;
      pam->tupltype = "RGB";
   } else {
      *error = path + " is neither P6 nor P7";
      return false;
   }
   if (!in || pam->maxval != 255) {
      *error = path + ": unreadable header or not 8 bits per sample";
      return false;
   }
   data_at = size_t(in.tellg());
   const size_t size = size_t(pam->width) * pam->height * pam->channels;
   if (bytes.size() - data_at != size) {
      *error = path + ": " + std::to_string(bytes.size() - data_at) + " bytes of samples, " +
               std::to_string(size) + " expected";
      return false;
   }
   pam->samples.assign(bytes.begin() + long(data_at), bytes.end());
   return true;
}

::testing::AssertionResult imagemagick_decoding(const std::string &gif, const std::string &out,
                                                Picture *picture)
{
   const ::testing::AssertionResult ran =
      magick("'" + gif + "[0]' -depth 8 -alpha on pam:'" + out + "'");
   if (!ran)
      return ran;
   Pam pam;
   std::string error;
   if (!read_pam(out, &pam, &error))
      return ::testing::AssertionFailure() << error;
   picture->width = pam.width;
   picture->height = pam.height;
   picture->pixels.assign(size_t(pam.width) * pam.height, MASK);
   const int n = pam.channels;
   for (size_t k = 0; k < picture->pixels.size(); k++) {
      const unsigned char *s = &pam.samples[k * n];
      const bool grey = n <= 2;
      const int alpha = n == 2 || n == 4 ? s[n - 1] : 255;
      if (alpha == 0)
         continue;
      picture->pixels[k] = grey ? s[0] << 16 | s[0] << 8 | s[0] : s[0] << 16 | s[1] << 8 | s[2];
   }
   return ::testing::AssertionSuccess();
}

::testing::AssertionResult codec_matches_imagemagick(const std::string &gif,
                                                     const std::string &out)
{
   Picture magick;
   const ::testing::AssertionResult decoded = imagemagick_decoding(gif, out, &magick);
   if (!decoded)
      return decoded;
   const std::vector<Picture> reference = reference_frames(gif);
   if (reference.size() != 1)
      return ::testing::AssertionFailure() << gif << " is not a still";
   const ::testing::AssertionResult oracles =
      same_picture(magick, reference[0], gif + ": giflib against ImageMagick");
   if (!oracles)
      return oracles;

   GifSequencePtr sequence(open_gif_sequence(gif.c_str()));
   if (!sequence)
      return ::testing::AssertionFailure() << "open_gif_sequence refuses " << gif;
   BitmapPtr screen(create_bitmap_ex(32, sequence->width, sequence->height));
   draw_gif_frame(sequence.get(), screen.get(), 0, 0, 0);
   return same_picture(magick, picture_of(screen.get()), gif + ": ours against ImageMagick");
}

void write_ppm(const std::string &path, int width, int height,
               const std::vector<uint32_t> &rgb)
{
   std::ofstream out(path, std::ios::binary);
   out << "P6\n" << width << " " << height << "\n255\n";
   for (uint32_t c : rgb) {
      const char bytes[3] = {char(c >> 16), char(c >> 8), char(c)};
      out.write(bytes, 3);
   }
   if (!out)
      throw std::runtime_error("cannot write " + path);
}

}  // namespace oracle
