#include "gif/gif_decoder.h"

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
   // Unread bits, least significant first. Above `bitCount` it may also
   // hold the bytes that follow in the sub-block, at the places they will
   // be loaded to, so loading them again changes nothing.
   uint64_t bits = 0;
   int bitCount = 0;
   // Why the data ran out, once it has.
   GifError end = GIF_ERROR_NONE;
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
inline int read_gif_code(CodeStream &in, int n)
{
   if (in.bitCount < n) {
      if (in.size - in.next >= 8) {
         // Eight bytes at once; whole bytes that fit are counted.
         uint64_t word;
         memcpy(&word, in.block + in.next, 8);
         in.bits |= word << in.bitCount;
         const int taken = (63 - in.bitCount) >> 3;
         in.next += taken;
         in.bitCount += 8 * taken;
      } else {
         do {
            if (in.next == in.size && !load_sub_block(in))
               return -1;
            in.bits |= uint64_t(in.block[in.next++]) << in.bitCount;
            in.bitCount += 8;
         } while (in.bitCount < n);
      }
   }
   const int code = int(in.bits & ((1u << n) - 1));
   in.bits >>= n;
   in.bitCount -= n;
   return code;
}

// Each dictionary string has already been written once, in full, to the
// output: an entry is its prefix's string followed by the first pixel of
// the next string, and those two were written side by side. So an entry
// is kept as the place of that first copy and its length, and drawing it
// is a copy from earlier output. The source always ends at or before the
// place it is copied to: an entry is whole before the code that defines
// it is drawn.
struct Dictionary {
   uint32_t offset[GIF_MAX_CODES];
   uint16_t length[GIF_MAX_CODES];
   uint8_t first[GIF_MAX_CODES];
};

// Writes `length` pixels to out[p...], from out[source...] or, for a
// single pixel, the value itself; whatever lies at or past `total` is
// dropped.
inline void put_string(uint8_t *out, size_t total, size_t p, uint32_t source,
                       uint32_t length, uint8_t first)
{
   if (length == 1) {
      if (p < total)
         out[p] = first;
      return;
   }
   if (p + length + 7 <= total) {
      // Eight bytes at a time. Bytes past the string are rewritten by
      // later strings or cleared at the end; bytes read past the source
      // only ever land past the string.
      for (uint32_t k = 0; k < length; k += 8) {
         uint64_t chunk;
         memcpy(&chunk, out + source + k, 8);
         memcpy(out + p + k, &chunk, 8);
      }
      return;
   }
   if (p >= total)
      return;
   const size_t room = total - p;
   memmove(out + p, out + source, length < room ? length : room);
}

}  // namespace

GifError decode_gif_image(PACKFILE *stream, BITMAP *bitmap, int *missing, int *data_bytes)
{
   const int minCodeSize = pack_getc(stream);
   if (minCodeSize < 0)
      return GIF_ERROR_TRUNCATED;
   if (minCodeSize > GIF_MAX_MIN_CODE_SIZE)
      return GIF_ERROR_CODE_SIZE;
   const int clearCode = 1 << minCodeSize;
   const int endCode = clearCode + 1;

   const size_t total = size_t(bitmap->w) * size_t(bitmap->h);
   uint8_t *out = total ? bitmap->line[0] : nullptr;

   Dictionary dict;
   // Roots: one pixel each; an 8-bit bitmap keeps the low byte of a code
   // when the minimum code size is above 8.
   for (int code = 0; code < clearCode; code++) {
      dict.length[code] = 1;
      dict.first[code] = uint8_t(code);
   }

   CodeStream in;
   in.stream = stream;
   int nextFree = clearCode + 2;
   int width = minCodeSize + 1;
   // A stream normally opens with a clear code; one that does not starts
   // in the same state, and its first code is drawn like any other.
   int prev = -1;
   size_t prevPos = 0;
   size_t p = 0;

   for (;;) {
      const int code = read_gif_code(in, width);
      // Sub-blocks that end with every pixel drawn lose nothing but the
      // end code: some encoders write it one bit narrower than the code
      // width after the last entry, and the byte holding its last bit is
      // never written. Anything short of the whole image still fails.
      if (code < 0 && in.end == GIF_ERROR_NO_END_CODE && p >= total)
         break;
      if (code < 0)
         return in.end;
      if (code == clearCode) {
         nextFree = clearCode + 2;
         width = minCodeSize + 1;
         prev = -1;
         continue;
      }
      if (code == endCode)
         break;

      const size_t start = p;
      if (code < nextFree) {
         put_string(out, total, p, dict.offset[code], dict.length[code], dict.first[code]);
         p += dict.length[code];
      } else if (code == nextFree && prev >= 0) {
         // The code defined in this very step: the previous string and
         // its own first pixel.
         put_string(out, total, p, dict.offset[prev], dict.length[prev], dict.first[prev]);
         p += dict.length[prev];
         if (p < total)
            out[p] = dict.first[prev];
         p++;
      } else {
         return GIF_ERROR_UNDEFINED_CODE;
      }

      if (prev >= 0 && nextFree < GIF_MAX_CODES) {
         dict.offset[nextFree] = uint32_t(prevPos < total ? prevPos : total);
         dict.length[nextFree] = uint16_t(dict.length[prev] + 1);
         dict.first[nextFree] = dict.first[prev];
         nextFree++;
      }
      if (nextFree == (1 << width) && width < GIF_MAX_CODE_WIDTH)
         width++;
      prevPos = start;
      prev = code;
   }

   *data_bytes = 1 + in.loaded;
   const size_t reached = p < total ? p : total;
   if (reached < total)
      memset(out + reached, 0, total - reached);
   *missing = int(total - reached);
   return GIF_ERROR_NONE;
}
