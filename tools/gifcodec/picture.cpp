#include "picture.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "indexed_file.h"
#include "quantize.h"

namespace {

const uint32_t kOpaque = 0xFF000000u;

std::string read_with_library(const char *filename, Picture *picture)
{
   PALETTE palette;
   BITMAP *bitmap = load_bitmap(filename, palette);
   if (!bitmap)
      return "not a picture the library can read (BMP, PCX, TGA, LBM, PAM, PPM, PGM)";
   // 8-bit pictures come through their palette, at the library's 6 bits
   // per component.
   select_palette(palette);
   picture->w = bitmap->w;
   picture->h = bitmap->h;
   picture->pixels.resize(size_t(bitmap->w) * size_t(bitmap->h));
   const int depth = bitmap_color_depth(bitmap);
   size_t i = 0;
   for (int y = 0; y < bitmap->h; y++) {
      for (int x = 0; x < bitmap->w; x++) {
         const int c = getpixel(bitmap, x, y);
         picture->pixels[i++] = kOpaque | uint32_t(getr_depth(depth, c)) << 16 |
                                uint32_t(getg_depth(depth, c)) << 8 | uint32_t(getb_depth(depth, c));
      }
   }
   unselect_palette();
   destroy_bitmap(bitmap);
   return std::string();
}

std::string read_picture_file(FILE *file, const char *filename, IndexedPicture *indexed,
                              Picture *truecolour)
{
   unsigned char magic[2] = {0, 0};
   if (fread(magic, 1, 2, file) == 2 && magic[0] == 'P' && magic[1] >= '5' && magic[1] <= '7')
      return read_netpbm(whole_file(file), truecolour);
   bool handled = false;
   std::string problem = read_indexed_bmp(file, indexed, &handled);
   if (!handled)
      problem = read_indexed_pcx(file, indexed, &handled);
   const size_t n = strlen(filename);
   if (!handled && n > 4 && strcasecmp(filename + n - 4, ".tga") == 0)
      problem = read_indexed_tga(file, indexed, &handled);
   if (handled)
      return problem;
   return read_with_library(filename, truecolour);
}

}  // namespace

std::string read_picture_as_is(const char *filename, IndexedPicture *indexed, Picture *truecolour)
{
   FILE *file = fopen(filename, "rb");
   if (!file)
      return strerror(errno);
   truecolour->w = 0;
   const std::string problem = read_picture_file(file, filename, indexed, truecolour);
   fclose(file);
   return problem;
}

std::string read_picture(const char *filename, IndexedPicture *picture)
{
   Picture truecolour;
   const std::string problem = read_picture_as_is(filename, picture, &truecolour);
   if (!problem.empty() || truecolour.w == 0)
      return problem;
   return index_picture(truecolour, picture) ? std::string() : "out of memory for the picture";
}
