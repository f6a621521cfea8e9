// Colour tables for pictures of more colours than a GIF table holds: a
// count of each colour, a median cut, the nearest entry. Colours are
// 0xRRGGBB.
#ifndef TOSSARO_GIF_PALETTE_H
#define TOSSARO_GIF_PALETTE_H

#include <algorithm>
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

// A value of 16 bits per colour in a table of 65,536 slots, one for each colour of
// 16 bits: a colour takes the slot of its top 5, 6 and 5 bits of red,
// green and blue, so that the colours of 16-bit pictures each have their
// own, found in one step. Other colours that share a slot take turns in
// it, a colour put there pushing out the one before; find then misses
// the one pushed out.
class GifColorCache {
public:
   GifColorCache() : colors_(kSlots, kFree), values_(kSlots) {}

   // The colour's value, or null when it has none.
   const uint16_t *find(uint32_t rgb) const
   {
      const size_t s = slot(rgb);
      return colors_[s] == rgb ? &values_[s] : nullptr;
   }
   void put(uint32_t rgb, uint16_t value)
   {
      const size_t s = slot(rgb);
      colors_[s] = rgb;
      values_[s] = value;
   }
   void clear() { std::fill(colors_.begin(), colors_.end(), kFree); }

private:
   static const size_t kSlots = 65536;
   static constexpr uint32_t kFree = 0xFF000000u;  // no colour's

   static size_t slot(uint32_t rgb)
   {
      return (rgb >> 8 & 0xF800) | (rgb >> 5 & 0x07E0) | (rgb >> 3 & 0x001F);
   }

   std::vector<uint32_t> colors_;
   std::vector<uint16_t> values_;
};

// At most `limit` colours for the counted ones by median cut: the box
// whose colours spread furthest along a channel is split at its median
// until there are `limit` boxes, each giving its mean colour. Sorted and
// without repeats; reorders `colors`.
std::vector<uint32_t> median_cut(std::vector<GifColorCount> &colors, size_t limit);

// The index of the entry of `table` (not empty) nearest to `rgb`, by the
// sum of squared differences of the channels; the first of equals.
int nearest_color(const std::vector<uint32_t> &table, uint32_t rgb);

// The same answers as nearest_color for one table, asked for many
// colours: the entries sorted by green, each search looks outward from
// the colour's green and stops where green alone is further than the
// nearest found.
class GifNearest {
public:
   explicit GifNearest(const std::vector<uint32_t> &table = {});
   // `near`, an entry likely to be near (the answer for a colour close
   // by), makes the search shorter; -1 for none.
   int operator()(uint32_t rgb, int near = -1) const;

private:
   struct Entry {
      int r, g, b, index;
   };
   std::vector<uint32_t> table_;
   std::vector<Entry> sorted_;  // by green, then by index
   int from_[257];  // the first place of each green or above, and the end
};

// That sum of squared differences between two colours.
long color_distance(uint32_t a, uint32_t b);

#endif
