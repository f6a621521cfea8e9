#include "reference_encoder.h"

#include <cstddef>

namespace {

struct Bits {
   std::vector<unsigned char> out;
   unsigned char buffer[256] = {};
   int position = 0;

   void put(int n, int value)
   {
      for (int k = 0; k < n; k++) {
         const int bit = (value >> k) & 1;
         unsigned char &byte = buffer[position / 8];
         if (bit)
            byte = (unsigned char)(byte | (1 << (position % 8)));
         else
            byte = (unsigned char)(byte & ~(1 << (position % 8)));
         position++;
         if (position == 2040) {
            out.push_back(255);
            out.insert(out.end(), buffer, buffer + 255);
            position = 0;
         }
      }
   }

   void finish()
   {
      if (position == 0)
         return;
      const int n = (position + 7) / 8;
      // Bits past the end code are zero.
      if (position % 8)
         buffer[position / 8] &= (unsigned char)((1 << (position % 8)) - 1);
      out.push_back((unsigned char)n);
      out.insert(out.end(), buffer, buffer + n);
   }
};

}  // namespace

std::vector<unsigned char> reference_encode(const std::vector<int> &pixels, int w, int h)
{
   int largest = 0;
   for (int v : pixels)
      largest = v > largest ? v : largest;
   int m = 2;
   if (largest >= 4) {
      while ((1 << m) <= largest)
         m++;
   }
   const int clear = 1 << m;
   const int end = clear + 1;
   std::vector<int> prefix(4096), pixel(4096);
   int nextFree = clear + 2;
   int width = m + 1;

   Bits bits;
   bits.out.push_back((unsigned char)m);
   bits.put(width, clear);
   if (w == 0 || h == 0) {
      bits.put(width, end);
      bits.finish();
      return bits.out;
   }
   int current = pixels[0];
   for (long i = 1; i < long(w) * h; i++) {
      const int k = pixels[std::size_t(i)];
      int found = -1;
      for (int code = end + 1; code < nextFree; code++) {
         if (prefix[std::size_t(code)] == current && pixel[std::size_t(code)] == k) {
            found = code;
            break;
         }
      }
      if (found >= 0) {
         current = found;
      } else {
         prefix[std::size_t(nextFree)] = current;
         pixel[std::size_t(nextFree)] = k;
         nextFree++;
         bits.put(width, current);
         current = k;
      }
      if (nextFree == (1 << width) + 1 && width < 12)
         width++;
      if (nextFree == 4096) {
         bits.put(width, clear);
         nextFree = clear + 2;
         width = m + 1;
      }
   }
   bits.put(width, current);
   // The reader defines an entry on that last code too: when it fills the
   // width, the end code is read one bit wider.
   if (nextFree == (1 << width) && width < 12)
      width++;
   bits.put(width, end);
   bits.finish();
   return bits.out;
}
