#include "indexed_file.h"

#include <algorithm>
#include <vector>

namespace {

const size_t kBmpHeader = 54;
const size_t kBmpInfoHeader = 40;
const size_t kPcxHeader = 128;
const size_t kPcxPalette = 769;  // the marker 0x0C, then 256 RGB entries
const int kMaxSide = 65535;

uint32_t word16(const unsigned char *p)
{
   return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}

uint32_t word32(const unsigned char *p)
{
   return word16(p) | word16(p + 2) << 16;
}

// A GIF table needs an entry for every index used; indices past the
// file's palette show black.
void cover_every_index(IndexedPicture *picture)
{
   if (picture->colors.size() == 256)
      return;
   BITMAP *bitmap = picture->indices.get();
   uint8_t largest = 0;
   for (int y = 0; y < bitmap->h; y++) {
      for (int x = 0; x < bitmap->w; x++)
         largest = std::max(largest, bitmap->line[y][x]);
   }
   if (picture->colors.size() <= largest)
      picture->colors.resize(size_t(largest) + 1, 0);
}

bool make_indices(IndexedPicture *picture, int w, int h)
{
   picture->indices.reset(create_bitmap_ex(8, w, h));
   return picture->indices != nullptr;
}

}  // namespace

std::string read_bmp8(FILE *file, IndexedPicture *picture, bool *handled)
{
   unsigned char header[kBmpHeader];
   *handled = false;
   rewind(file);
   if (fread(header, 1, kBmpHeader, file) != kBmpHeader || header[0] != 'B' || header[1] != 'M' ||
       word32(header + 14) < kBmpInfoHeader || word16(header + 28) != 8 || word32(header + 30) != 0)
      return std::string();
   *handled = true;

   const int32_t w = int32_t(word32(header + 18));
   const int32_t signedHeight = int32_t(word32(header + 22));
   // Rows run bottom-up unless the height is negative.
   const bool topDown = signedHeight < 0;
   const int64_t h = topDown ? -int64_t(signedHeight) : signedHeight;
   if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
      return "picture size missing or out of range";
   const uint32_t used = word32(header + 46);
   const size_t entries = used == 0 || used > 256 ? 256 : used;

   std::vector<unsigned char> palette(entries * 4);
   if (fseek(file, long(14 + word32(header + 14)), SEEK_SET) != 0 ||
       fread(palette.data(), 4, entries, file) != entries)
      return "palette is cut short";
   picture->colors.clear();
   for (size_t k = 0; k < entries; k++) {
      const unsigned char *bgr = &palette[4 * k];
      picture->colors.push_back(uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0]);
   }
   picture->transparent = -1;

   if (!make_indices(picture, w, int(h)))
      return "out of memory for the picture";
   if (fseek(file, long(word32(header + 10)), SEEK_SET) != 0)
      return "pixel data is cut short";
   // Rows are padded to a multiple of four bytes.
   const size_t padding = (4 - size_t(w) % 4) % 4;
   unsigned char skip[3];
   for (int64_t row = 0; row < h; row++) {
      const int64_t y = topDown ? row : h - 1 - row;
      if (fread(picture->indices->line[y], 1, size_t(w), file) != size_t(w) ||
          (row + 1 < h && fread(skip, 1, padding, file) != padding))
         return "pixel data is cut short";
   }
   cover_every_index(picture);
   return std::string();
}

std::string read_pcx8(FILE *file, IndexedPicture *picture, bool *handled)
{
   *handled = false;
   rewind(file);
   std::vector<unsigned char> bytes;
   unsigned char block[65536];
   for (size_t n; (n = fread(block, 1, sizeof block, file)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
   if (bytes.size() < kPcxHeader + kPcxPalette || bytes[0] != 0x0A || bytes[2] != 1 ||
       bytes[3] != 8 || bytes[65] != 1 || bytes[bytes.size() - kPcxPalette] != 0x0C)
      return std::string();
   *handled = true;

   const int64_t w = int64_t(word16(&bytes[8])) - int64_t(word16(&bytes[4])) + 1;
   const int64_t h = int64_t(word16(&bytes[10])) - int64_t(word16(&bytes[6])) + 1;
   const size_t bytesPerLine = word16(&bytes[66]);
   if (w <= 0 || h <= 0 || h > kMaxSide || size_t(w) > bytesPerLine)
      return "picture size missing or out of range";

   const unsigned char *rgb = &bytes[bytes.size() - kPcxPalette + 1];
   picture->colors.clear();
   for (int k = 0; k < 256; k++, rgb += 3)
      picture->colors.push_back(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]);
   picture->transparent = -1;

   if (!make_indices(picture, int(w), int(h)))
      return "out of memory for the picture";
   // Runs may carry on from one line into the next: the lines are decoded
   // as one stream, and each keeps its first w bytes.
   std::vector<unsigned char> line(bytesPerLine);
   const unsigned char *in = &bytes[kPcxHeader];
   const unsigned char *const end = &bytes[bytes.size() - kPcxPalette];
   size_t run = 0;
   unsigned char value = 0;
   for (int64_t y = 0; y < h; y++) {
      for (size_t x = 0; x < bytesPerLine;) {
         if (run > 0) {
            line[x++] = value;
            run--;
            continue;
         }
         if (in == end)
            return "pixel data is cut short";
         value = *in++;
         run = 1;
         if ((value & 0xC0) == 0xC0) {
            if (in == end)
               return "pixel data is cut short";
            run = value & 0x3F;
            value = *in++;
         }
      }
      std::copy(line.begin(), line.begin() + w, picture->indices->line[y]);
   }
   cover_every_index(picture);
   return std::string();
}
