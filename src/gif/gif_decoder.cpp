#include "gif/gif_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "gif/gif_format.h"

namespace {

// The data sub-blocks of one image, read one sub-block at a time so that
// nothing after the sub-block holding the end code is consumed.
struct CodeStream {
   PACKFILE *stream;
   unsigned char block[GIF_MAX_SUB_BLOCK];
   int size = 0;
   int next = 0;
   int loaded = 0;  // bytes of the sub-blocks loaded, with their size bytes
   // Why the data ran out, once it has.
   GifError end = GIF_ERROR_NONE;
};

// Unread bits, least significant first; a value of the decoding loop's own
// so that it stays in registers. Above `count` it may also hold the bytes
// that follow in the sub-block, at the places they will be loaded to, so
// loading them again changes nothing.
struct Bits {
   uint64_t value = 0;
   int count = 0;
};

bool load_sub_block(CodeStream &in)
{
   const int size = pack_getc(in.stream);
   if (size == 0) {
      in.end = GIF_ERROR_NO_END_CODE;
      return false;
   }
   if (size < 0 || pack_fread(in.block, size, in.stream) != size) {
      in.end = GIF_ERROR_TRUNCATED;
      return false;
   }
   in.size = size;
   in.next = 0;
   in.loaded += 1 + size;
   return true;
}

// The next n-bit code, packed least significant bit first across
// sub-block boundaries, or -1 when the data ends first.
inline int read_gif_code(CodeStream &in, Bits &bits, int n)
{
   if (bits.count < n) {
      if (in.size - in.next >= 8) {
         // Eight bytes at once; whole bytes that fit are counted.
         uint64_t word;
         memcpy(&word, in.block + in.next, 8);
         bits.value |= word << bits.count;
         const int taken = (63 - bits.count) >> 3;
         in.next += taken;
         bits.count += 8 * taken;
      } else {
         do {
            if (in.next == in.size && !load_sub_block(in))
               return -1;
            bits.value |= uint64_t(in.block[in.next++]) << bits.count;
            bits.count += 8;
         } while (bits.count < n);
      }
   }
   const int code = int(bits.value & ((1u << n) - 1));
   bits.value >>= n;
   bits.count -= n;
   return code;
}

// A dictionary entry in one word, so that one load gives all that drawing
// a code and defining the next entry need. Bits 0 to 7 hold the string's
// first pixel in both forms.
//
// A short string, of up to 7 pixels, is held whole: its pixels in bytes 0
// to 6, zero past its length, and its length in byte 7. Drawing it is one
// 8-byte store, and its successor is one addition.
//
// A longer one has byte 7 zero. Every such string has already been written
// once, in full, to the output: an entry is its prefix's string followed
// by the first pixel of the next string, and those two were written side
// by side. So it is held as the place of that first copy and its length,
// and drawing it is a copy from earlier output. The source always begins
// before the place it is copied to, and ends there at the latest, but for
// the code defined in the very step that draws it, whose last pixel is the
// first one drawn.
typedef uint64_t Entry;

const int kShortMax = 7;
const int kShortLengthShift = 56;
const int kPlaceShift = 8;
const uint64_t kPlaceMask = (uint64_t(1) << 29) - 1;  // places up to GIF_MAX_PIXELS
const int kLongLengthShift = 37;
const uint64_t kLongLengthMask = (1 << 13) - 1;  // lengths up to GIF_MAX_CODES

inline Entry root_entry(int code)
{
   return Entry(uint8_t(code)) | Entry(1) << kShortLengthShift;
}

inline uint32_t length_of(Entry e)
{
   const uint32_t shortLength = uint32_t(e >> kShortLengthShift);
   return shortLength ? shortLength : uint32_t((e >> kLongLengthShift) & kLongLengthMask);
}

// The entry of `prefix`'s string followed by `pixel`, whose first copy
// starts at `place` in the output.
inline Entry successor(Entry prefix, uint8_t pixel, size_t place)
{
   const uint32_t shortLength = uint32_t(prefix >> kShortLengthShift);
   if (shortLength && shortLength < kShortMax)
      return prefix + (Entry(pixel) << (8 * shortLength)) + (Entry(1) << kShortLengthShift);
   return (prefix & 0xff) | Entry(place) << kPlaceShift |
          Entry(length_of(prefix) + 1) << kLongLengthShift;
}

// Writes the string of `e` at out[p...]; whatever lies at or past `total`
// is dropped. Returns its length.
inline uint32_t put_string(uint8_t *out, size_t total, size_t p, Entry e)
{
   const uint32_t shortLength = uint32_t(e >> kShortLengthShift);
   if (shortLength) {
      if (p + 8 <= total) {
         // Bytes past the string are rewritten by later strings or
         // cleared at the end.
         memcpy(out + p, &e, 8);
      } else {
         for (uint32_t k = 0; k < shortLength && p + k < total; k++)
            out[p + k] = uint8_t(e >> (8 * k));
      }
      return shortLength;
   }
   const uint32_t length = uint32_t((e >> kLongLengthShift) & kLongLengthMask);
   const size_t source = size_t((e >> kPlaceShift) & kPlaceMask);
   if (p + length + 7 <= total && p - source >= 8) {
      // Eight bytes at a time. A chunk that reaches past the source's end
      // reads pixels at least 8 places before the ones it writes, which
      // this copy has already written.
      for (uint32_t k = 0; k < length; k += 8) {
         uint64_t chunk;
         memcpy(&chunk, out + source + k, 8);
         memcpy(out + p + k, &chunk, 8);
      }
   } else {
      // Forwards one pixel at a time, for a source that ends in the
      // string itself.
      for (uint32_t k = 0; k < length && p + k < total; k++)
         out[p + k] = out[source + k];
   }
   return length;
}

// Decodes the codes of `in` into out[0, total), the roots of `dict`
// already set and every other entry 0, and says in `*reached` how far the
// output went, dropped pixels past `total` included.
GifError decode_codes(CodeStream &in, Entry *dict, int minCodeSize, uint8_t *out, size_t total,
                      size_t *reached)
{
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;
   Bits bits;
   size_t p = 0;
   auto stop = [&](GifError error) {
      *reached = p;
      return error;
   };

   for (;;) {
      // A stream normally opens with a clear code; one that does not starts
      // in the same state. The first code after it defines nothing.
      int nextFree = clearCode + 2;
      int width = minCodeSize + 1;
      int code = read_gif_code(in, bits, width);
      if (code < 0)
         return stop(in.end);
      if (code == clearCode)
         continue;
      if (code == endCode)
         return stop(GIF_ERROR_NONE);
      if (code > endCode)
         return stop(GIF_ERROR_UNDEFINED_CODE);
      Entry previous = dict[code];
      size_t previousPlace = p;
      p += put_string(out, total, p, previous);

      // Runs of codes of one width, each defining an entry.
      bool cleared = false;
      while (!cleared) {
         // The width grows when the next free code reaches 2^width, up to
         // 12 bits; the run goes on to the next such code or to a full
         // dictionary.
         if (nextFree == (1 << width) && width < GIF_MAX_CODE_WIDTH)
            width++;
         if (nextFree == GIF_MAX_CODES)
            break;
         const int end = (1 << width) > nextFree ? 1 << width : GIF_MAX_CODES;
         do {
            code = read_gif_code(in, bits, width);
            if (code < 0)
               return stop(in.end);
            // One test of the code and one of its entry pass the codes
            // that are neither the clear code, nor the end code, nor the
            // next free one.
            Entry e = dict[code];
            if (code >= nextFree || e == 0) {
               if (code == clearCode) {
                  cleared = true;
                  break;
               }
               if (code == endCode)
                  return stop(GIF_ERROR_NONE);
               if (code > nextFree)
                  return stop(GIF_ERROR_UNDEFINED_CODE);
               // The code defined in this very step is the previous string
               // and its own first pixel.
               e = successor(previous, uint8_t(previous), previousPlace < total ? previousPlace : total);
            }
            dict[nextFree++] =
               successor(previous, uint8_t(e), previousPlace < total ? previousPlace : total);
            previousPlace = p;
            p += put_string(out, total, p, e);
            previous = e;
         } while (nextFree != end);
      }

      // A full dictionary takes no more entries: every code up to a clear
      // code is drawn as it stands.
      while (!cleared) {
         code = read_gif_code(in, bits, width);
         if (code < 0)
            return stop(in.end);
         const Entry e = dict[code];
         if (e == 0) {
            if (code == endCode)
               return stop(GIF_ERROR_NONE);
            cleared = true;
         } else {
            p += put_string(out, total, p, e);
         }
      }
   }
}

}  // namespace

GifError decode_gif_image(PACKFILE *stream, BITMAP *bitmap, int *missing, int *data_bytes)
{
   const int minCodeSize = pack_getc(stream);
   if (minCodeSize < 0)
      return GIF_ERROR_TRUNCATED;
   if (minCodeSize > GIF_MAX_MIN_CODE_SIZE)
      return GIF_ERROR_CODE_SIZE;

   Entry dict[GIF_MAX_CODES];
   // Roots: one pixel each; an 8-bit bitmap keeps the low byte of a code
   // when the minimum code size is above 8.
   for (int code = 0; code < (1 << minCodeSize); code++)
      dict[code] = root_entry(code);
   // The other entries 0, which no string has: the control codes keep it,
   // and the loop finds them by it.
   std::fill(dict + (1 << minCodeSize), dict + GIF_MAX_CODES, Entry(0));

   CodeStream in;
   in.stream = stream;
   const size_t total = size_t(bitmap->w) * size_t(bitmap->h);
   uint8_t *out = total ? bitmap->line[0] : nullptr;
   size_t p = 0;
   const GifError result = decode_codes(in, dict, minCodeSize, out, total, &p);
   // Sub-blocks that end with every pixel drawn lose nothing but the end
   // code: some encoders write it one bit narrower than the code width
   // after the last entry, and the byte holding its last bit is never
   // written. Anything short of the whole image still fails.
   if (result != GIF_ERROR_NONE && !(result == GIF_ERROR_NO_END_CODE && p >= total))
      return result;

   *data_bytes = 1 + in.loaded;
   const size_t reached = p < total ? p : total;
   if (reached < total)
      memset(out + reached, 0, total - reached);
   *missing = int(total - reached);
   return GIF_ERROR_NONE;
}
