#include "indexed_file.h"

#include <algorithm>
#include <vector>

#include "gif/gif_format.h"

namespace {

const size_t kBmpHeader = 54;
const size_t kBmpInfoHeader = 40;
const size_t kPcxHeader = 128;
const size_t kPcxPalette = 769;  // the marker 0x0C, then 256 RGB entries
const size_t kTgaHeader = 18;
const int kMaxSide = 65535;

// BMP compression values.
const uint32_t kBmpUncompressed = 0;
const uint32_t kBmpRle8 = 1;

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

// The picture's 8-bit bitmap; refused past the size a GIF reader takes,
// since a few bytes of header could otherwise ask for gigabytes.
std::string make_indices(IndexedPicture *picture, int w, int h)
{
   if (int64_t(w) * h > GIF_MAX_PIXELS)
      return "picture too large (over 2^28 pixels)";
   picture->indices.reset(create_bitmap_ex(8, w, h));
   return picture->indices ? std::string() : "out of memory for the picture";
}

// Indices in the order a file stores them, into rows that run top-down or
// bottom-up; what comes after the last row is dropped.
class RowWriter {
public:
   RowWriter(BITMAP *bitmap, bool topDown) : bitmap_(bitmap), topDown_(topDown) {}

   bool full() const { return row_ == bitmap_->h; }

   void put(uint8_t value, size_t count = 1)
   {
      for (; count > 0 && !full(); count--) {
         bitmap_->line[topDown_ ? row_ : bitmap_->h - 1 - row_][x_] = value;
         if (++x_ == bitmap_->w) {
            x_ = 0;
            row_++;
         }
      }
   }

private:
   BITMAP *bitmap_;
   bool topDown_;
   int x_ = 0, row_ = 0;
};

// BMP's RLE8, bottom-up: pairs of a count and an index, or after a zero
// count an escape: 0 ends the line, 1 the picture, 2 moves by (dx, dy),
// and n >= 3 gives n indices as they are, padded to an even length.
// Pixels it skips keep index 0.
std::string decode_bmp_rle8(const unsigned char *in, const unsigned char *end, BITMAP *bitmap)
{
   clear_bitmap(bitmap);
   // x stops at the right edge, and the picture is whole once y passes
   // its top row: what comes after is dropped.
   int x = 0, y = bitmap->h - 1;
   auto put = [&](uint8_t value) {
      if (x < bitmap->w) {
         bitmap->line[y][x] = value;
         x++;
      }
   };
   while (end - in >= 2) {
      const int count = in[0], value = in[1];
      in += 2;
      if (count > 0) {
         for (int k = 0; k < count; k++)
            put(uint8_t(value));
      } else if (value == 0) {
         x = 0;
         y--;
      } else if (value == 1) {
         return std::string();
      } else if (value == 2) {
         if (end - in < 2)
            break;
         x = std::min(x + in[0], bitmap->w);
         y -= in[1];
         in += 2;
      } else {
         if (end - in < value)
            break;
         for (int k = 0; k < value; k++)
            put(in[k]);
         in += (value + 1) & ~1;
      }
      if (y < 0)
         return std::string();
   }
   return "pixel data is cut short";
}

}  // namespace

std::vector<unsigned char> whole_file(FILE *file)
{
   std::vector<unsigned char> bytes;
   if (fseek(file, 0, SEEK_END) == 0) {
      const long size = ftell(file);
      if (size > 0)
         bytes.reserve(size_t(size));
   }
   rewind(file);
   unsigned char block[65536];
   for (size_t n; (n = fread(block, 1, sizeof block, file)) > 0;)
      bytes.insert(bytes.end(), block, block + n);
   return bytes;
}

std::string read_indexed_bmp(FILE *file, IndexedPicture *picture, bool *handled)
{
   unsigned char header[kBmpHeader];
   *handled = false;
   rewind(file);
   if (fread(header, 1, kBmpHeader, file) != kBmpHeader || header[0] != 'B' || header[1] != 'M' ||
       word32(header + 14) < kBmpInfoHeader)
      return std::string();
   const int bits = int(word16(header + 28));
   const uint32_t compression = word32(header + 30);
   if ((bits != 1 && bits != 4 && bits != 8) ||
       !(compression == kBmpUncompressed || (compression == kBmpRle8 && bits == 8)))
      return std::string();
   *handled = true;

   const int32_t w = int32_t(word32(header + 18));
   const int32_t signedHeight = int32_t(word32(header + 22));
   // Rows run bottom-up unless the height is negative.
   const bool topDown = signedHeight < 0;
   const int64_t h = topDown ? -int64_t(signedHeight) : signedHeight;
   if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
      return "picture size missing or out of range";
   const uint32_t colorsUsed = word32(header + 46);
   const size_t entries = colorsUsed == 0 || colorsUsed > (1u << bits) ? 1u << bits : colorsUsed;

   std::vector<unsigned char> palette(entries * 4);
   if (fseek(file, long(14 + uint64_t(word32(header + 14))), SEEK_SET) != 0 ||
       fread(palette.data(), 4, entries, file) != entries)
      return "palette is cut short";
   picture->colors.clear();
   for (size_t k = 0; k < entries; k++) {
      const unsigned char *bgr = &palette[4 * k];
      picture->colors.push_back(uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0]);
   }
   picture->transparent = -1;

   if (const std::string problem = make_indices(picture, w, int(h)); !problem.empty())
      return problem;
   if (compression == kBmpRle8) {
      const std::vector<unsigned char> bytes = whole_file(file);
      const size_t at = word32(header + 10);
      if (topDown || at > bytes.size())
         return "compressed pixel data out of place";
      const std::string problem =
         decode_bmp_rle8(bytes.data() + at, bytes.data() + bytes.size(), picture->indices.get());
      cover_every_index(picture);
      return problem;
   }
   if (fseek(file, long(word32(header + 10)), SEEK_SET) != 0)
      return "pixel data is cut short";
   // Rows of 1 and 4 bits per pixel start with the leftmost pixel in the
   // high bits; every row is padded to a multiple of four bytes, which the
   // last one may lack.
   const size_t used = (size_t(w) * size_t(bits) + 7) / 8;
   const size_t padding = (4 - used % 4) % 4;
   std::vector<unsigned char> packed(used + padding);
   for (int64_t row = 0; row < h; row++) {
      uint8_t *line = picture->indices->line[topDown ? row : h - 1 - row];
      if (fread(bits == 8 ? line : packed.data(), 1, used, file) != used ||
          (row + 1 < h && fread(packed.data() + used, 1, padding, file) != padding))
         return "pixel data is cut short";
      for (int x = 0; bits < 8 && x < w; x++) {
         const int bit = x * bits;
         line[x] = uint8_t(packed[size_t(bit / 8)] >> (8 - bits - bit % 8) & ((1 << bits) - 1));
      }
   }
   cover_every_index(picture);
   return std::string();
}

std::string read_indexed_pcx(FILE *file, IndexedPicture *picture, bool *handled)
{
   *handled = false;
   const std::vector<unsigned char> bytes = whole_file(file);
   if (bytes.size() < kPcxHeader + kPcxPalette || bytes[0] != 0x0A || bytes[2] > 1 ||
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

   if (const std::string problem = make_indices(picture, int(w), int(h)); !problem.empty())
      return problem;
   // Runs may carry on from one line into the next: the lines are decoded
   // as one stream, and each keeps its first w bytes. Encoding 0 stores
   // the bytes as they are.
   const bool rle = bytes[2] == 1;
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
         if (rle && (value & 0xC0) == 0xC0) {
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

std::string read_indexed_tga(FILE *file, IndexedPicture *picture, bool *handled)
{
   *handled = false;
   const std::vector<unsigned char> bytes = whole_file(file);
   if (bytes.size() < kTgaHeader)
      return std::string();
   const unsigned char *header = bytes.data();
   const int type = header[2], entryBits = header[7], descriptor = header[17];
   // Colour-mapped, raw (1) or RLE (9), 8 bits per pixel, 24- or 32-bit
   // map entries, rows running left to right.
   if (header[1] != 1 || (type != 1 && type != 9) || header[16] != 8 ||
       (entryBits != 24 && entryBits != 32) || (descriptor & 0x10))
      return std::string();
   *handled = true;

   const uint32_t first = word16(header + 3), length = word16(header + 5);
   const int w = int(word16(header + 12)), h = int(word16(header + 14));
   if (w == 0 || h == 0)
      return "picture size missing or out of range";
   const size_t mapAt = kTgaHeader + header[0];
   const size_t entryBytes = size_t(entryBits) / 8;
   const size_t pixelsAt = mapAt + length * entryBytes;
   if (pixelsAt > bytes.size())
      return "palette is cut short";
   // Index i stands for map entry i - first.
   picture->colors.assign(std::min<size_t>(256, first + length), 0);
   for (uint32_t k = 0; k < length && first + k < 256; k++) {
      const unsigned char *bgr = &bytes[mapAt + k * entryBytes];
      picture->colors[first + k] = uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
   }
   if (picture->colors.empty())
      picture->colors.push_back(0);
   picture->transparent = -1;

   if (const std::string problem = make_indices(picture, w, h); !problem.empty())
      return problem;
   RowWriter out(picture->indices.get(), (descriptor & 0x20) != 0);
   const unsigned char *in = &bytes[pixelsAt];
   const unsigned char *const end = bytes.data() + bytes.size();
   // RLE packets: a header byte, then one index repeated (high bit set) or
   // that many indices as they are; the count is the low 7 bits + 1.
   while (!out.full() && in < end) {
      if (type == 1) {
         out.put(*in++);
         continue;
      }
      const size_t count = (*in & 0x7F) + 1u;
      const bool repeated = (*in++ & 0x80) != 0;
      if (end - in < ptrdiff_t(repeated ? 1 : count))
         break;
      if (repeated) {
         out.put(*in++, count);
      } else {
         for (size_t k = 0; k < count; k++)
            out.put(*in++);
      }
   }
   if (!out.full())
      return "pixel data is cut short";
   cover_every_index(picture);
   return std::string();
}
