#include "gif/gif_encoder.h"

#include <algorithm>
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

   int find(uint32_t key) const
   {
      int unused;
      return find(key, &unused);
   }

   void add(int at, uint32_t key, int code) { slot[at] = key << 12 | uint32_t(code); }
};

// Pixels a full dictionary is judged by at a time.
const long kClearWindow = 512;

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

// Greedy LZW over a bitmap's rows: each string grows while the dictionary
// holds it, and a full dictionary is cleared at once.
template <typename Writer>
void encode_lzw(Writer &out, BITMAP *bitmap, int minCodeSize)
{
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;
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

// A string of the dictionary at a position: its code, its length, its
// first and last pixels as written, and the free slot where the string
// followed by the next pixel's preferred value would go (-1 at the end).
struct Match {
   int code;
   int length;
   int first;
   int last;
   int free;
};

// The parse of an image's indices into dictionary strings, where a pixel
// with a choice may be written either way.
class Parser {
public:
   Parser(const GifIndices &image, int minCodeSize)
       : pixels_(image.pixels), either_(image.either), n_(long(image.w) * image.h),
         transparent_(image.transparent),
         both_(image.choice == GIF_TRANSPARENT_FIRST || image.choice == GIF_OWN_FIRST),
         ownFirst_(image.choice == GIF_OWN_FIRST), ownOnly_(image.choice == GIF_OWN),
         roots_(1 << minCodeSize)
   {
   }

   long size() const { return n_; }

   // The values pixel q may be written as, the one a string prefers first;
   // its own only below the roots of the code size.
   int values(long q, int *v) const
   {
      v[0] = pixels_[q];
      if (!either_ || !either_[q])
         return 1;
      if (v[0] >= roots_ || !both_) {
         if (v[0] >= roots_ || !ownOnly_)
            v[0] = transparent_;
         return 1;
      }
      v[ownFirst_ ? 1 : 0] = transparent_;
      v[ownFirst_ ? 0 : 1] = pixels_[q];
      return 2;
   }

   // The string of `dict` that the pixels from i are written as, starting
   // with `root` (a value of pixel i): it grows while the dictionary holds
   // it, a pixel with a choice taking its preferred value if that
   // continues the string and its other value if that does.
   Match grow(const Dictionary &dict, long i, int root) const
   {
      Match m = {root, 1, root, root, -1};
      for (long q = i + 1; q < n_; q++) {
         int v[2];
         const int count = values(q, v);
         int found = dict.find(Dictionary::key_of(m.code, v[0]), &m.free);
         int value = v[0];
         if (found < 0 && count == 2) {
            found = dict.find(Dictionary::key_of(m.code, v[1]));
            value = v[1];
         }
         if (found < 0)
            return m;
         m.code = found;
         m.last = value;
         m.length++;
      }
      m.free = -1;
      return m;
   }

private:
   const uint8_t *pixels_;
   const uint8_t *either_;  // null when no pixel has a choice
   long n_;
   int transparent_;
   bool both_;  // a pixel with a choice may take either value
   bool ownFirst_;  // and prefers its own
   bool ownOnly_;  // or takes only its own
   int roots_;  // values the code size holds
};

// LZW over indices with choices: each string grows as Parser::grow says,
// and where its first pixel has a choice, both values are tried and the
// longer string kept. A full dictionary is kept while it compresses as
// well as it did while it grew (bits per pixel), and cleared once a
// stretch of pixels costs more: a picture whose second half repeats its
// first is written better by the full dictionary than by a young one.
template <typename Writer>
void encode_parsed(Writer &out, const GifIndices &image, int minCodeSize)
{
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;
   int width = minCodeSize + 1;
   int nextFree = clearCode + 2;
   write_gif_code(out, width, clearCode);

   Parser parser(image, minCodeSize);
   const long n = parser.size();
   std::unique_ptr<Dictionary> dict(new Dictionary);
   dict->clear();
   long grownBits = 0, grownFrom = 0;  // since the last clear
   long windowBits = 0, windowFrom = 0;  // since the dictionary filled
   double grownRatio = 0;
   // The next string from `at`, of each way of writing its first pixel
   // the longest; of two as long, the one that repeats the pixel before.
   // `define` is the code whose entry that first pixel completes, or -1;
   // `free` where that entry goes with the preferred value, if known.
   auto following = [&](long at, int define, int before, int free) {
      int roots[2];
      const int count = parser.values(at, roots);
      Match chosen = {-1, 0, -1, -1, -1};
      int chosenSlot = -1;
      for (int k = 0; k < count; k++) {
         // The entry is in place while its string is searched, since the
         // string may use it (a run makes one of each length).
         const uint32_t key = Dictionary::key_of(define, roots[k]);
         // The slot found free when the string before stopped stays the
         // one for it unless the entry added since took it.
         int slot = k == 0 && free >= 0 && dict->slot[free] == 0 ? free : -1;
         if (define >= 0 && slot < 0 && dict->find(key, &slot) >= 0)
            slot = -1;
         if (slot >= 0)
            dict->add(slot, key, nextFree);
         const Match tried = parser.grow(*dict, at, roots[k]);
         if (slot >= 0)
            dict->slot[slot] = 0;
         if (tried.length > chosen.length ||
             (tried.length == chosen.length && roots[k] == before)) {
            chosen = tried;
            chosenSlot = slot;
         }
      }
      if (chosenSlot >= 0)
         dict->add(chosenSlot, Dictionary::key_of(define, chosen.first), nextFree);
      return chosen;
   };

   Match m = following(0, -1, -1, -1);
   for (long at = m.length; at < n; at += m.length) {
      write_gif_code(out, width, m.code);
      if (nextFree < GIF_MAX_CODES) {
         grownBits += width;
         m = following(at, m.code, m.last, m.free);
         nextFree++;
         // One code later than the reader, which defines each entry a
         // step after the encoder does.
         if (nextFree == (1 << width) + 1 && width < GIF_MAX_CODE_WIDTH)
            width++;
         if (nextFree == GIF_MAX_CODES) {
            grownRatio = double(grownBits) / double(at - grownFrom);
            windowBits = 0;
            windowFrom = at;
         }
         continue;
      }
      windowBits += width;
      if (at - windowFrom >= kClearWindow) {
         if (double(windowBits) / double(at - windowFrom) > grownRatio) {
            write_gif_code(out, width, clearCode);
            nextFree = clearCode + 2;
            width = minCodeSize + 1;
            dict->clear();
            grownBits = 0;
            grownFrom = at;
         }
         windowBits = 0;
         windowFrom = at;
      }
      m = following(at, -1, m.last, -1);
   }
   write_gif_code(out, width, m.code);
   // As for a bitmap: the reader's entry for that code may widen the end.
   if (nextFree == (1 << width) && width < GIF_MAX_CODE_WIDTH)
      width++;
   write_gif_code(out, width, endCode);
   finish_blocks(out);
}

// The code size the image needs: a pixel with a choice can always be
// written as the transparent index, so its own index counts only where it
// fits anyway, and a frame whose changes use low entries gets short codes
// whatever the entries of the pixels it keeps.
int min_code_size_of(const GifIndices &image)
{
   const long n = long(image.w) * image.h;
   if (!image.either)
      return min_code_size_for(or_of_bytes(image.pixels, int(n)));
   // Eight pixels at a time: a byte of the mask is 0xFF where the flag is
   // 0, from the top bit of each flag byte made nonzero-or-not.
   const uint64_t low7 = 0x7F7F7F7F7F7F7F7Full, ones = 0x0101010101010101ull;
   uint64_t bits = 0;
   long q = 0;
   for (; q + 8 <= n; q += 8) {
      uint64_t pixels, flags;
      memcpy(&pixels, image.pixels + q, 8);
      memcpy(&flags, image.either + q, 8);
      const uint64_t set = (((flags & low7) + low7) | flags) >> 7 & ones;
      bits |= pixels & (ones - set) * 0xFF;
   }
   int needed = image.transparent;
   for (int k = 0; k < 8; k++)
      needed |= int(bits >> (8 * k)) & 0xFF;
   for (; q < n; q++)
      needed |= image.either[q] ? 0 : image.pixels[q];
   return min_code_size_for(needed);
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
   encode_lzw(out, bitmap, minCodeSize);
}

void encode_gif_indices(const GifIndices &image, std::vector<uint8_t> *out)
{
   const int minCodeSize = min_code_size_of(image);
   out->push_back(uint8_t(minCodeSize));
   BlockWriter writer;
   writer.vector = out;
   encode_parsed(writer, image, minCodeSize);
}

long count_gif_indices(const GifIndices &image)
{
   BitCounter counter;
   encode_parsed(counter, image, min_code_size_of(image));
   const long bytes = (counter.bits + 7) / 8;
   return 1 + bytes + (bytes + GIF_MAX_SUB_BLOCK - 1) / GIF_MAX_SUB_BLOCK;
}

namespace {

// The widths a reader reads codes of one minimum code size with.
struct Widths {
   int minCodeSize, width, nextEntry;
   bool fresh;

   explicit Widths(int size) : minCodeSize(size) { restart(); }
   void restart()
   {
      width = minCodeSize + 1;
      nextEntry = (1 << minCodeSize) + 2;
      fresh = true;
   }
   // After a code that is neither clear nor end.
   void step()
   {
      if (!fresh && nextEntry < GIF_MAX_CODES) {
         nextEntry++;
         if (nextEntry == 1 << width && width < GIF_MAX_CODE_WIDTH)
            width++;
      }
      fresh = false;
   }
};

// The codes of data this encoder wrote, read back with a reader's widths.
class CodeReader {
public:
   explicit CodeReader(const uint8_t *data)
       : start_(data), at_(data + 1), clear_(1 << data[0]), widths_(data[0])
   {
   }

   int clearCode() const { return clear_; }
   int firstEntry() const { return clear_ + 2; }

   // The next code, or -1 once the end code is read or the data ends.
   int next()
   {
      if (done_)
         return -1;
      const int width = widths_.width;
      while (count_ < width) {
         if (left_ == 0) {
            left_ = *at_++;
            if (left_ == 0) {
               done_ = true;
               return -1;
            }
         }
         bits_ |= uint32_t(*at_++) << count_;
         count_ += 8;
         left_--;
      }
      const int code = int(bits_ & ((1u << width) - 1));
      bits_ >>= width;
      count_ -= width;
      if (code == clear_)
         widths_.restart();
      else if (code == clear_ + 1)
         done_ = true;
      else
         widths_.step();
      return code;
   }

   // Bytes from the code size byte to the terminator, once next() has
   // given -1.
   size_t size()
   {
      at_ += left_;
      while (*at_ != 0)
         at_ += *at_ + 1;
      return size_t(at_ + 1 - start_);
   }

private:
   const uint8_t *start_, *at_;
   int clear_;
   Widths widths_;
   int left_ = 0;  // bytes left in the sub-block
   uint32_t bits_ = 0;
   int count_ = 0;
   bool done_ = false;
};

const int kSmallestSize = 2, kLargestRenamed = 8;

}  // namespace

GifDataSummary summarize_gif_data(const uint8_t *data)
{
   GifDataSummary s = {};
   CodeReader reader(data);
   std::vector<Widths> sizes;
   for (int m = kSmallestSize; m <= kLargestRenamed; m++)
      sizes.emplace_back(m);
   int deepest = -1;  // the furthest entry a code refers to
   for (int code; (code = reader.next()) >= 0;) {
      const bool clear = code == reader.clearCode();
      for (Widths &w : sizes) {
         s.bits[w.minCodeSize] += w.width;
         if (clear)
            w.restart();
         else
            w.step();
      }
      if (code < reader.clearCode())
         s.values.set(size_t(code));
      else if (code > reader.clearCode() + 1)
         deepest = std::max(deepest, code - reader.firstEntry());
   }
   for (int m = kSmallestSize; m <= kLargestRenamed; m++) {
      if ((1 << m) + 2 + deepest >= GIF_MAX_CODES)
         s.bits[m] = -1;
   }
   s.size = reader.size();
   return s;
}

void rename_gif_data(const uint8_t *data, const uint8_t rename[256], int minCodeSize,
                     std::vector<uint8_t> *out)
{
   CodeReader reader(data);
   Widths widths(minCodeSize);
   const int clear = 1 << minCodeSize;
   out->push_back(uint8_t(minCodeSize));
   BlockWriter writer;
   writer.vector = out;
   for (int code; (code = reader.next()) >= 0;) {
      if (code < reader.clearCode()) {
         write_gif_code(writer, widths.width, rename[code]);
         widths.step();
      } else if (code == reader.clearCode()) {
         write_gif_code(writer, widths.width, clear);
         widths.restart();
      } else if (code == reader.clearCode() + 1) {
         write_gif_code(writer, widths.width, clear + 1);
      } else {
         write_gif_code(writer, widths.width, code - reader.firstEntry() + clear + 2);
         widths.step();
      }
   }
   finish_blocks(writer);
}
