// Colour tables for pictures of more colours than a GIF table holds: a
// count of each colour, a median cut, the nearest entry. Colours are
// 0xRRGGBB.
#ifndef TOSSARO_GIF_PALETTE_H
#define TOSSARO_GIF_PALETTE_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct GifColorCount {
   uint32_t rgb;
   uint64_t count;
};

// A value per colour in a flat open-addressed table that grows as needed.
class GifColorMap {
public:
   GifColorMap() : slots_(size_t(1) << kFirstBits) {}

   // The colour's value, made 0 if the colour is new.
   uint32_t &operator[](uint32_t rgb);
   // The colour's value, or null when it has none.
   const uint32_t *find(uint32_t rgb) const;
   size_t size() const { return used_; }
   void clear();
   // Every colour with its value as the count.
   std::vector<GifColorCount> colors() const;

private:
   static const int kFirstBits = 10;  // 1024 slots to start with
   struct Slot {
      uint32_t key = 0;  // the colour + 1; 0 for a free slot
      uint32_t value = 0;
   };

   // Fibonacci hashing: the top bits of the product, as many as index the
   // table.
   size_t home(uint32_t key) const
   {
      return size_t((uint64_t(key) * 0x9E3779B97F4A7C15u) >> shift_);
   }
   void grow();

   std::vector<Slot> slots_;
   int shift_ = 64 - kFirstBits;
   size_t used_ = 0;
};

// At most `limit` colours for the counted ones by median cut: the box
// whose colours spread furthest along a channel is split at its median
// until there are `limit` boxes, each giving its mean colour. Sorted and
// without repeats; reorders `colors`.
std::vector<uint32_t> median_cut(std::vector<GifColorCount> &colors, size_t limit);

// The index of the entry of `table` (not empty) nearest to `rgb`, by the
// sum of squared differences of the channels; the first of equals.
int nearest_color(const std::vector<uint32_t> &table, uint32_t rgb);

// That sum of squared differences between two colours.
long color_distance(uint32_t a, uint32_t b);

#endif
