#include "gif_encoder.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "gif_format.h"

namespace {

// The data sub-blocks under construction: codes are packed least
// significant bit first, and every 255 bytes make a full sub-block.
struct BlockWriter {
   PACKFILE *stream;
   unsigned char block[1 + GIF_MAX_SUB_BLOCK];  // size byte, then data
   int used = 0;
   uint32_t bits = 0;
   int bitCount = 0;
};

void flush_block(BlockWriter &out)
{
   out.block[0] = uint8_t(out.used);
   pack_fwrite(out.block, out.used + 1, out.stream);
   out.used = 0;
}

// Appends the low n bits of `value`.
inline void write_gif_code(BlockWriter &out, int n, int value)
{
   out.bits |= uint32_t(value) << out.bitCount;
   out.bitCount += n;
   while (out.bitCount >= 8) {
      out.block[1 + out.used++] = uint8_t(out.bits);
      out.bits >>= 8;
      out.bitCount -= 8;
      if (out.used == GIF_MAX_SUB_BLOCK)
         flush_block(out);
   }
}

// Writes what is left: the last bits padded with zeros, then a short
// sub-block if any bytes are waiting.
void finish_blocks(BlockWriter &out)
{
   if (out.bitCount > 0)
      write_gif_code(out, 8 - out.bitCount, 0);
   if (out.used > 0)
      flush_block(out);
}

// The dictionary's strings beyond the roots, found by (prefix code, next
// pixel) in an open-addressed hash table that a clear code empties. A slot
// packs the 20-bit key above the 12-bit code into one word, so the whole
// table (32 KB) stays in the first-level cache; defined codes are never 0,
// so 0 marks a free slot.
struct Dictionary {
   static const int kSlots = 2 * GIF_MAX_CODES;  // at most half full
   uint32_t slot[kSlots];

   void clear() { memset(slot, 0, sizeof slot); }

   static uint32_t key_of(int prefix, int pixel) { return uint32_t(prefix) << 8 | uint32_t(pixel); }
   static int hash(uint32_t key) { return int((key * 2654435761u) >> 19); }

   // The code of the string, or -1; `free` receives where it would go.
   int find(uint32_t key, int *free) const
   {
      int s = hash(key);
      while (slot[s] != 0) {
         if (slot[s] >> 12 == key)
            return int(slot[s] & 0xFFF);
         s = (s + 1) & (kSlots - 1);
      }
      *free = s;
      return -1;
   }

   void add(int at, uint32_t key, int code) { slot[at] = key << 12 | uint32_t(code); }
};

// A value with the same highest set bit as the largest index, which is all
// the minimum code size depends on: the OR of every index, eight at a time.
int largest_index_bits(BITMAP *bitmap)
{
   uint64_t bits = 0;
   for (int y = 0; y < bitmap->h; y++) {
      const uint8_t *row = bitmap->line[y];
      int x = 0;
      for (; x + 8 <= bitmap->w; x += 8) {
         uint64_t eight;
         memcpy(&eight, row + x, 8);
         bits |= eight;
      }
      for (; x < bitmap->w; x++)
         bits |= row[x];
   }
   int folded = 0;
   for (int k = 0; k < 8; k++)
      folded |= int(bits >> (8 * k)) & 0xFF;
   return folded;
}

}  // namespace

void encode_gif_image(PACKFILE *stream, BITMAP *bitmap)
{
   const int largest = largest_index_bits(bitmap);
   int minCodeSize = 2;
   while ((1 << minCodeSize) <= largest)
      minCodeSize++;
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;

   pack_putc(minCodeSize, stream);
   BlockWriter out;
   out.stream = stream;
   int width = minCodeSize + 1;
   int nextFree = clearCode + 2;
   write_gif_code(out, width, clearCode);

   if (bitmap->w == 0 || bitmap->h == 0) {
      write_gif_code(out, width, endCode);
      finish_blocks(out);
      return;
   }

   std::unique_ptr<Dictionary> dict(new Dictionary);
   dict->clear();
   int current = bitmap->line[0][0];
   for (int y = 0; y < bitmap->h; y++) {
      const uint8_t *row = bitmap->line[y];
      for (int x = y == 0 ? 1 : 0; x < bitmap->w; x++) {
         const int pixel = row[x];
         const uint32_t key = Dictionary::key_of(current, pixel);
         int slot;
         const int found = dict->find(key, &slot);
         if (found >= 0) {
            current = found;
            continue;
         }
         dict->add(slot, key, nextFree);
         nextFree++;
         write_gif_code(out, width, current);
         current = pixel;
         // One code later than the reader, which defines each entry a
         // step after the encoder does.
         if (nextFree == (1 << width) + 1 && width < GIF_MAX_CODE_WIDTH)
            width++;
         if (nextFree == GIF_MAX_CODES) {
            write_gif_code(out, width, clearCode);
            nextFree = clearCode + 2;
            width = minCodeSize + 1;
            dict->clear();
         }
      }
   }
   write_gif_code(out, width, current);
   // A reader defines one more entry on reading that last code; when that
   // entry fills the current width, it reads the end code one bit wider.
   if (nextFree == (1 << width) && width < GIF_MAX_CODE_WIDTH)
      width++;
   write_gif_code(out, width, endCode);
   finish_blocks(out);
}
