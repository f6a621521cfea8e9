#include "gif/gif_encoder.h"

#include <cstring>
#include <memory>

#include "gif/gif_format.h"

namespace {

// The data sub-blocks under construction: codes are packed least
// significant bit first, and every 255 bytes make a full sub-block, which
// goes to the stream or to the end of the vector.
struct BlockWriter {
   PACKFILE *stream = nullptr;
   std::vector<uint8_t> *vector = nullptr;
   unsigned char block[1 + GIF_MAX_SUB_BLOCK];  // size byte, then data
   int used = 0;
   uint32_t bits = 0;
   int bitCount = 0;
};

void flush_block(BlockWriter &out)
{
   out.block[0] = uint8_t(out.used);
   if (out.stream)
      pack_fwrite(out.block, out.used + 1, out.stream);
   else
      out.vector->insert(out.vector->end(), out.block, out.block + out.used + 1);
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

// Stands in for a BlockWriter where only the size matters.
struct BitCounter {
   long bits = 0;
};

inline void write_gif_code(BitCounter &out, int n, int)
{
   out.bits += n;
}

void finish_blocks(BitCounter &) {}

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

// The OR of `count` bytes, folded to one: it has the same highest set bit
// as the largest of them, which is all the minimum code size depends on.
int or_of_bytes(const uint8_t *bytes, int count)
{
   uint64_t bits = 0;
   int x = 0;
   for (; x + 8 <= count; x += 8) {
      uint64_t eight;
      memcpy(&eight, bytes + x, 8);
      bits |= eight;
   }
   for (; x < count; x++)
      bits |= bytes[x];
   int folded = 0;
   for (int k = 0; k < 8; k++)
      folded |= int(bits >> (8 * k)) & 0xFF;
   return folded;
}

int min_code_size_for(int largest)
{
   int minCodeSize = 2;
   while ((1 << minCodeSize) <= largest)
      minCodeSize++;
   return minCodeSize;
}

// The rows of a bitmap, with no choices.
struct BitmapRows {
   static const bool kChoice = false;
   BITMAP *bitmap;
   int w() const { return bitmap->w; }
   int h() const { return bitmap->h; }
   const uint8_t *row(int y) const { return bitmap->line[y]; }
   const uint8_t *either(int) const { return nullptr; }
};

// The rows of GifIndices; with kChoice, its `either` flags count.
template <bool choice>
struct IndexRows {
   static const bool kChoice = choice;
   const GifIndices &image;
   int w() const { return image.w; }
   int h() const { return image.h; }
   const uint8_t *row(int y) const { return image.pixels + size_t(y) * image.w; }
   const uint8_t *either(int y) const { return choice ? image.either + size_t(y) * image.w : nullptr; }
};

// Greedy LZW: each string grows while the dictionary holds it. A pixel
// with a choice takes it as `choice` says; where it tries both and neither
// continues the string, it starts the next one with the first it tried,
// unless the second repeats the pixel before.
template <typename Writer, typename Rows>
void encode_lzw(Writer &out, const Rows &rows, int minCodeSize, int transparent,
                GifChoice choice = GIF_TRANSPARENT_FIRST)
{
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;
   int width = minCodeSize + 1;
   int nextFree = clearCode + 2;
   write_gif_code(out, width, clearCode);

   if (rows.w() == 0 || rows.h() == 0) {
      write_gif_code(out, width, endCode);
      finish_blocks(out);
      return;
   }

   std::unique_ptr<Dictionary> dict(new Dictionary);
   dict->clear();
   int current = Rows::kChoice && rows.either(0)[0] && choice != GIF_OWN && choice != GIF_OWN_FIRST
                    ? transparent
                    : rows.row(0)[0];
   int last = current;
   for (int y = 0; y < rows.h(); y++) {
      const uint8_t *row = rows.row(y);
      const uint8_t *either = rows.either(y);
      for (int x = y == 0 ? 1 : 0; x < rows.w(); x++) {
         int pixel = row[x], second = -1;
         if (Rows::kChoice && either[x]) {
            switch (choice) {
            case GIF_TRANSPARENT_FIRST: second = pixel; pixel = transparent; break;
            case GIF_OWN_FIRST: second = transparent; break;
            case GIF_TRANSPARENT: pixel = transparent; break;
            case GIF_OWN: break;
            }
         }
         uint32_t key = Dictionary::key_of(current, pixel);
         int slot;
         int found = dict->find(key, &slot);
         if (found < 0 && second >= 0) {
            const uint32_t other = Dictionary::key_of(current, second);
            int otherSlot;
            found = dict->find(other, &otherSlot);
            if (found >= 0 || second == last) {
               pixel = second;
               key = other;
               slot = otherSlot;
            }
         }
         last = pixel;
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

int min_code_size_of(const GifIndices &image)
{
   int largest = or_of_bytes(image.pixels, image.w * image.h);
   if (image.either)
      largest |= image.transparent;
   return min_code_size_for(largest);
}

template <typename Writer>
void encode_indices(Writer &out, const GifIndices &image, int minCodeSize)
{
   if (image.either)
      encode_lzw(out, IndexRows<true>{image}, minCodeSize, image.transparent, image.choice);
   else
      encode_lzw(out, IndexRows<false>{image}, minCodeSize, image.transparent);
}

}  // namespace

void encode_gif_image(PACKFILE *stream, BITMAP *bitmap)
{
   int largest = 0;
   for (int y = 0; y < bitmap->h; y++)
      largest |= or_of_bytes(bitmap->line[y], bitmap->w);
   const int minCodeSize = min_code_size_for(largest);
   pack_putc(minCodeSize, stream);
   BlockWriter out;
   out.stream = stream;
   encode_lzw(out, BitmapRows{bitmap}, minCodeSize, 0);
}

void encode_gif_indices(const GifIndices &image, std::vector<uint8_t> *out)
{
   const int minCodeSize = min_code_size_of(image);
   out->push_back(uint8_t(minCodeSize));
   BlockWriter writer;
   writer.vector = out;
   encode_indices(writer, image, minCodeSize);
}

long count_gif_indices(const GifIndices &image)
{
   BitCounter counter;
   encode_indices(counter, image, min_code_size_of(image));
   const long bytes = (counter.bits + 7) / 8;
   return 1 + bytes + (bytes + GIF_MAX_SUB_BLOCK - 1) / GIF_MAX_SUB_BLOCK;
}
