#include "pam.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "output_file.h"

std::string write_pam(const char *filename, BITMAP *bitmap)
{
   std::vector<unsigned char> data(size_t(bitmap->w) * bitmap->h * 4);
   const int mask = bitmap_mask_color(bitmap);
   unsigned char *out = data.data();
   for (int y = 0; y < bitmap->h; y++) {
      const uint32_t *row = reinterpret_cast<const uint32_t *>(bitmap->line[y]);
      for (int x = 0; x < bitmap->w; x++, out += 4) {
         const int c = int(row[x]);
         if (c == mask) {
            memset(out, 0, 4);
         } else {
            out[0] = getr32(c);
            out[1] = getg32(c);
            out[2] = getb32(c);
            out[3] = 255;
         }
      }
   }
   char header[128];
   snprintf(header, sizeof header,
            "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n",
            bitmap->w, bitmap->h);
   return write_whole_file(filename, header, data);
}
