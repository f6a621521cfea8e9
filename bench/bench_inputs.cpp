#include "bench_inputs.h"

#include <gif_lib.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <utility>

namespace {

// Only the raw engine output is used: std::mt19937 is the same sequence
// everywhere, unlike the standard distributions.
using Random = std::mt19937;

int below(Random &rng, int n)
{
   return int(rng() % uint32_t(n));
}

struct Canvas {
   int w, h;
   std::vector<uint8_t> px;

   Canvas(int width, int height, uint8_t fill) : w(width), h(height), px(size_t(width) * height, fill) {}

   uint8_t *row(int y) { return &px[size_t(y) * w]; }

   void rect(int x0, int y0, int rw, int rh, uint8_t c)
   {
      const int x1 = std::min(w, x0 + rw), y1 = std::min(h, y0 + rh);
      for (int y = std::max(0, y0); y < y1; y++)
         for (int x = std::max(0, x0); x < x1; x++)
            px[size_t(y) * w + x] = c;
   }

   void disc(int cx, int cy, int r, uint8_t c)
   {
      for (int y = std::max(0, cy - r); y <= std::min(h - 1, cy + r); y++)
         for (int x = std::max(0, cx - r); x <= std::min(w - 1, cx + r); x++)
            if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
               px[size_t(y) * w + x] = c;
   }

   void triangle(const int (&xs)[3], const int (&ys)[3], uint8_t c)
   {
      const int x0 = std::max(0, std::min({xs[0], xs[1], xs[2]}));
      const int x1 = std::min(w - 1, std::max({xs[0], xs[1], xs[2]}));
      const int y0 = std::max(0, std::min({ys[0], ys[1], ys[2]}));
      const int y1 = std::min(h - 1, std::max({ys[0], ys[1], ys[2]}));
      auto edge = [](int ax, int ay, int bx, int by, int x, int y) {
         return long(bx - ax) * (y - ay) - long(by - ay) * (x - ax);
      };
      for (int y = y0; y <= y1; y++) {
         for (int x = x0; x <= x1; x++) {
            const long e0 = edge(xs[0], ys[0], xs[1], ys[1], x, y);
            const long e1 = edge(xs[1], ys[1], xs[2], ys[2], x, y);
            const long e2 = edge(xs[2], ys[2], xs[0], ys[0], x, y);
            if ((e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0))
               px[size_t(y) * w + x] = c;
         }
      }
   }
};

struct Image {
   int x, y;
   Canvas pixels;
   std::vector<GifColorType> local;  // empty: the global table applies
   int disposal;
   int transparent;  // -1: none
   bool interlaced;
};

void fail(const std::string &path, const char *what, int error)
{
   throw std::runtime_error(path + ": " + what + ": " + GifErrorString(error));
}

ColorMapObject *make_map(const std::vector<GifColorType> &colors)
{
   return GifMakeMapObject(int(colors.size()), colors.data());
}

// Rows in the order an interlaced image stores them.
std::vector<int> stored_rows(int h, bool interlaced)
{
   std::vector<int> rows;
   if (!interlaced) {
      for (int y = 0; y < h; y++)
         rows.push_back(y);
      return rows;
   }
   static const int start[] = {0, 4, 2, 1}, step[] = {8, 8, 4, 2};
   for (int pass = 0; pass < 4; pass++)
      for (int y = start[pass]; y < h; y += step[pass])
         rows.push_back(y);
   return rows;
}

void write_gif(const std::string &path, int w, int h, const std::vector<GifColorType> &global,
               int loop, std::vector<Image> &images)
{
   int error = 0;
   GifFileType *gif = EGifOpenFileName(path.c_str(), false, &error);
   if (!gif)
      fail(path, "open", error);
   EGifSetGifVersion(gif, true);
   ColorMapObject *map = make_map(global);
   const bool screenOk = EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_OK;
   GifFreeMapObject(map);
   if (!screenOk)
      fail(path, "screen", gif->Error);

   if (loop >= 0) {
      GifByteType id[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
      GifByteType count[] = {1, GifByteType(loop & 0xff), GifByteType(loop >> 8)};
      if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
          EGifPutExtensionBlock(gif, sizeof id, id) != GIF_OK ||
          EGifPutExtensionBlock(gif, sizeof count, count) != GIF_OK ||
          EGifPutExtensionTrailer(gif) != GIF_OK)
         fail(path, "loop", gif->Error);
   }

   for (Image &image : images) {
      if (image.disposal != 0 || image.transparent >= 0) {
         GraphicsControlBlock gcb = {image.disposal, false, 4, image.transparent};
         GifByteType ext[4];
         const size_t n = EGifGCBToExtension(&gcb, ext);
         if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(n), ext) != GIF_OK)
            fail(path, "control", gif->Error);
      }
      ColorMapObject *local = image.local.empty() ? nullptr : make_map(image.local);
      const bool descOk = EGifPutImageDesc(gif, image.x, image.y, image.pixels.w, image.pixels.h,
                                           image.interlaced, local) == GIF_OK;
      GifFreeMapObject(local);
      if (!descOk)
         fail(path, "image", gif->Error);
      for (int y : stored_rows(image.pixels.h, image.interlaced))
         if (EGifPutLine(gif, image.pixels.row(y), image.pixels.w) != GIF_OK)
            fail(path, "pixels", gif->Error);
   }
   if (EGifCloseFile(gif, &error) != GIF_OK)
      fail(path, "close", error);
}

BenchInput describe(const std::string &name, const std::string &path,
                    const std::vector<GifColorType> &global, const std::vector<Image> &images)
{
   struct stat st;
   const long bytes = stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
   long pixels = 0;
   for (const Image &image : images)
      pixels += long(image.pixels.w) * image.pixels.h;
   const Image &first = images.front();
   BenchPicture picture;
   picture.w = first.pixels.w;
   picture.h = first.pixels.h;
   picture.indices = first.pixels.px;
   picture.colors = first.local.empty() ? global : first.local;
   return {name, path, bytes, pixels, int(images.size()), std::move(picture)};
}

// Smooth colour fields with per-pixel noise, reduced to a 3-3-2 palette:
// the noise acts as dithering, so the LZW data stays close to a byte per
// pixel as with a dithered photograph.
BenchInput photo(const std::string &dir)
{
   const int w = 4000, h = 3000;
   std::vector<GifColorType> table(256);
   for (int k = 0; k < 256; k++)
      table[k] = {GifByteType((k >> 5) * 255 / 7), GifByteType(((k >> 2) & 7) * 255 / 7),
                  GifByteType((k & 3) * 255 / 3)};

   // Separable terms keep generation to table look-ups per pixel.
   std::vector<float> rx(w), gx(w), ry(h), by(h), gd(w + h), bd(w + h);
   for (int x = 0; x < w; x++) {
      rx[x] = float(50 * std::sin(x * 0.0021) + 20 * std::sin(x * 0.0173 + 1.3));
      gx[x] = float(40 * std::sin(x * 0.0013 + 2.1) + 15 * std::sin(x * 0.031));
   }
   for (int y = 0; y < h; y++) {
      ry[y] = float(45 * std::sin(y * 0.0029 + 0.7) + 15 * std::sin(y * 0.0111));
      by[y] = float(60 * std::sin(y * 0.0017 + 0.3) + 10 * std::sin(y * 0.027));
   }
   for (int d = 0; d < w + h; d++) {
      gd[d] = float(45 * std::sin(d * 0.0047 + 0.5));
      bd[d] = float(50 * std::sin(d * 0.0033 + 1.9));
   }

   Random rng(4000u * 3000u);
   const int noise = 24;  // each channel moves by at most this much
   auto jitter = [&](uint32_t byte) { return int((byte * (2 * noise + 1)) >> 8) - noise; };
   auto level = [](float v, int levels) {
      const int q = int(std::lround(v * (levels - 1) / 255.0f));
      return std::clamp(q, 0, levels - 1);
   };
   std::vector<Image> images;
   images.push_back({0, 0, Canvas(w, h, 0), {}, 0, -1, false});
   Canvas &c = images.back().pixels;
   for (int y = 0; y < h; y++) {
      uint8_t *out = c.row(y);
      for (int x = 0; x < w; x++) {
         const uint32_t n = rng();
         const float r = 128 + rx[x] + ry[y] + jitter(n & 0xff);
         const float g = 120 + gx[x] + gd[x + y] + jitter((n >> 8) & 0xff);
         const float b = 110 + by[y] + bd[x - y + h] + jitter((n >> 16) & 0xff);
         out[x] = uint8_t(level(r, 8) << 5 | level(g, 8) << 2 | level(b, 4));
      }
   }
   const std::string path = dir + "/photo.gif";
   write_gif(path, w, h, table, -1, images);
   return describe("photo-4000x3000", path, table, images);
}

// A few flat colours: bands, shapes, rows of glyph-like marks and ruled
// stripes, as in a drawn screen or a diagram.
BenchInput drawing(const std::string &dir)
{
   const int w = 1920, h = 1080;
   static const GifColorType colors[16] = {
      {250, 248, 240}, {20, 20, 30},   {200, 40, 40},   {40, 160, 60},
      {40, 80, 200},   {240, 200, 40}, {120, 60, 160},  {60, 180, 200},
      {240, 130, 40},  {130, 130, 130}, {200, 200, 200}, {90, 50, 20},
      {255, 160, 190}, {20, 100, 60},  {160, 210, 250}, {255, 255, 255}};
   std::vector<GifColorType> table(colors, colors + 16);

   Random rng(1920u * 1080u);
   std::vector<Image> images;
   images.push_back({0, 0, Canvas(w, h, 0), {}, 0, -1, false});
   Canvas &c = images.back().pixels;
   c.rect(0, 0, w, 260, 14);
   c.rect(0, 820, w, 260, 13);
   for (int k = 0; k < 60; k++)
      c.rect(below(rng, w), below(rng, h), 20 + below(rng, 300), 20 + below(rng, 200),
             uint8_t(below(rng, 16)));
   for (int k = 0; k < 40; k++)
      c.disc(below(rng, w), below(rng, h), 10 + below(rng, 120), uint8_t(below(rng, 16)));
   for (int k = 0; k < 30; k++) {
      const int x = below(rng, w), y = below(rng, h);
      const int xs[3] = {x, x + below(rng, 300) - 150, x + below(rng, 300) - 150};
      const int ys[3] = {y, y + below(rng, 300) - 150, y + below(rng, 300) - 150};
      c.triangle(xs, ys, uint8_t(below(rng, 16)));
   }

   // 5x7 glyphs, set in lines of words on light panels.
   uint8_t glyphs[48][7];
   for (auto &glyph : glyphs)
      for (uint8_t &bits : glyph)
         bits = uint8_t(rng() & 0x1f);
   for (int block = 0; block < 6; block++) {
      const int scale = 1 + block % 3;
      const int bx = below(rng, w - 700), byTop = below(rng, h - 300);
      c.rect(bx - 8, byTop - 8, 600 + 16, 12 * 9 * scale + 16, 15);
      for (int line = 0; line < 12; line++) {
         int x = bx;
         const int y = byTop + line * 9 * scale;
         while (x < bx + 600 - 6 * scale) {
            if (below(rng, 7) == 0) {  // a space between words
               x += 6 * scale;
               continue;
            }
            const uint8_t *glyph = glyphs[below(rng, 48)];
            for (int gy = 0; gy < 7; gy++)
               for (int gx = 0; gx < 5; gx++)
                  if (glyph[gy] >> gx & 1)
                     c.rect(x + gx * scale, y + gy * scale, scale, scale, 1);
            x += 6 * scale;
         }
      }
   }
   for (int k = 0; k < 8; k++) {  // ruled areas
      const int x = below(rng, w - 400), y = below(rng, h - 200);
      for (int s = 0; s < 200; s += 6)
         c.rect(x, y + s, 400, 2, uint8_t(k % 2 ? 9 : 4));
   }
   const std::string path = dir + "/drawing.gif";
   write_gif(path, w, h, table, -1, images);
   return describe("drawing-1920x1080", path, table, images);
}

// A looping sprite animation: a full first frame, then small regions per
// frame, with transparency, disposal 1 and 2, some local tables and some
// interlaced images.
BenchInput animation(const std::string &dir)
{
   const int w = 320, h = 240, frames = 200;
   std::vector<GifColorType> global(64);
   for (int k = 0; k < 64; k++)
      global[k] = {GifByteType(k * 4), GifByteType(255 - k * 3), GifByteType((k * 37) & 0xff)};
   const int clear = 63;  // transparent index of sprites drawn with the global table

   Random rng(320u * 240u * 200u);
   std::vector<Image> images;
   images.push_back({0, 0, Canvas(w, h, 0), {}, 1, -1, false});
   {
      Canvas &c = images.back().pixels;
      for (int band = 0; band < 8; band++)
         c.rect(0, band * 30, w, 30, uint8_t(band * 3));
      for (int k = 0; k < 25; k++)
         c.rect(below(rng, w), below(rng, h), 8 + below(rng, 40), 8 + below(rng, 40),
                uint8_t(24 + below(rng, 30)));
   }

   for (int i = 1; i < frames; i++) {
      const bool local = i % 10 == 0;
      const bool interlaced = i % 16 == 0;
      if (i % 25 == 0) {
         // A larger opaque repaint: a quarter of the screen with a pattern.
         Image image = {80, 60, Canvas(160, 120, 0), {}, 1, -1, interlaced};
         for (int y = 0; y < 120; y++)
            for (int x = 0; x < 160; x++)
               image.pixels.row(y)[x] = uint8_t(((x / 8 + y / 8 + i) & 7) * 4 + (x * y + i) % 3);
         images.push_back(std::move(image));
      } else if (i % 5 == 0) {
         // A score box: digits-like marks on an opaque plate.
         Image image = {230, 6, Canvas(84, 18, 40), {}, 1, -1, interlaced};
         for (int d = 0; d < 6; d++) {
            const int digit = (i / int(std::pow(10, d % 3)) + d) % 10;
            for (int s = 0; s < 7; s++)
               if ((0x5b7f >> ((digit + s) % 15)) & 1)
                  image.pixels.rect(78 - d * 13 - (s % 2) * 6, 3 + (s / 2) * 4, s % 2 ? 2 : 8, 2, 1);
         }
         images.push_back(std::move(image));
      } else {
         // A moving ball with transparent corners.
         const int size = 24 + (i % 3) * 8;
         const int x = 8 + (i * 7) % (w - size - 16);
         const int y = 100 + int(60 * std::sin(i * 0.13));
         Image image = {x, y, Canvas(size, size, uint8_t(clear)), {}, i % 2 ? 1 : 2, clear, interlaced};
         const int shift = local ? 64 : 0;  // local tables carry their own shades above 64
         image.pixels.disc(size / 2, size / 2, size / 2 - 1, uint8_t(shift + 8 + i % 20));
         image.pixels.disc(size / 2 - 3, size / 2 - 3, size / 5, uint8_t(shift + 30 + i % 20));
         if (local) {
            image.local.resize(256);
            for (int k = 0; k < 64; k++)
               image.local[k] = global[k];
            for (int k = 64; k < 256; k++)
               image.local[k] = {GifByteType(k), GifByteType((k * 5 + i) & 0xff), GifByteType(255 - k)};
         }
         images.push_back(std::move(image));
      }
   }
   const std::string path = dir + "/animation.gif";
   write_gif(path, w, h, global, 0, images);
   return describe("anim-320x240x200", path, global, images);
}

}  // namespace

std::vector<BenchInput> write_bench_inputs(const std::string &dir)
{
   return {photo(dir), drawing(dir), animation(dir)};
}
