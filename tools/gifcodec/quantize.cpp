#include "quantize.h"

#include <algorithm>

namespace {

struct ColorCount {
   uint32_t rgb;
   uint64_t count;
};

int channel(uint32_t rgb, int c)
{
   return int(rgb >> (16 - 8 * c)) & 0xFF;
}

// The colours of a picture and how often each occurs, in a flat
// open-addressed table; once the table entries are chosen, each slot's
// value becomes its colour's index.
class ColorHistogram {
public:
   ColorHistogram() : slots_(size_t(1) << kFirstBits) {}

   // The value of the colour's slot, made with value 0 if new.
   uint32_t &operator[](uint32_t rgb)
   {
      const uint32_t key = rgb + 1;
      size_t s = home(key);
      while (slots_[s].key != key) {
         if (slots_[s].key == 0) {
            if (2 * (used_ + 1) > slots_.size()) {
               grow();
               return (*this)[rgb];
            }
            slots_[s].key = key;
            used_++;
            break;
         }
         s = (s + 1) & (slots_.size() - 1);
      }
      return slots_[s].value;
   }

   std::vector<ColorCount> colors() const
   {
      std::vector<ColorCount> out;
      out.reserve(used_);
      for (const Slot &slot : slots_) {
         if (slot.key)
            out.push_back({slot.key - 1, slot.value});
      }
      return out;
   }

private:
   static const int kFirstBits = 10;  // 1024 slots to start with
   struct Slot {
      uint32_t key = 0;  // the colour + 1; 0 for a free slot
      uint32_t value = 0;
   };

   // Fibonacci hashing: the top bits of the product, as many as index
   // the table.
   size_t home(uint32_t key) const
   {
      return size_t((uint64_t(key) * 0x9E3779B97F4A7C15u) >> shift_);
   }

   void grow()
   {
      std::vector<Slot> old(slots_.size() * 2);
      old.swap(slots_);
      shift_--;
      used_ = 0;
      for (const Slot &slot : old) {
         if (slot.key)
            (*this)[slot.key - 1] = slot.value;
      }
   }

   std::vector<Slot> slots_;
   int shift_ = 64 - kFirstBits;
   size_t used_ = 0;
};

// A box of the median cut: a range of the colour list.
struct Box {
   size_t begin, end;
   int widest;  // the channel with the largest spread
   int spread;
};

Box measure(const std::vector<ColorCount> &colors, size_t begin, size_t end)
{
   Box box = {begin, end, 0, -1};
   for (int c = 0; c < 3; c++) {
      int lo = 255, hi = 0;
      for (size_t i = begin; i < end; i++) {
         lo = std::min(lo, channel(colors[i].rgb, c));
         hi = std::max(hi, channel(colors[i].rgb, c));
      }
      if (hi - lo > box.spread) {
         box.spread = hi - lo;
         box.widest = c;
      }
   }
   return box;
}

std::vector<uint32_t> median_cut(std::vector<ColorCount> &colors, size_t limit)
{
   std::vector<Box> boxes = {measure(colors, 0, colors.size())};
   while (boxes.size() < limit) {
      // Split the box whose colours spread furthest along one channel.
      auto widest = std::max_element(boxes.begin(), boxes.end(), [](const Box &a, const Box &b) {
         return a.spread < b.spread;
      });
      if (widest->spread <= 0)
         break;
      const Box box = *widest;
      const int c = box.widest;
      std::sort(colors.begin() + long(box.begin), colors.begin() + long(box.end),
                [c](const ColorCount &a, const ColorCount &b) {
                   return channel(a.rgb, c) != channel(b.rgb, c) ? channel(a.rgb, c) < channel(b.rgb, c)
                                                                 : a.rgb < b.rgb;
                });
      uint64_t total = 0, half = 0;
      for (size_t i = box.begin; i < box.end; i++)
         total += colors[i].count;
      size_t cut = box.begin + 1;
      for (size_t i = box.begin; i + 1 < box.end; i++) {
         half += colors[i].count;
         cut = i + 1;
         if (2 * half >= total)
            break;
      }
      *widest = measure(colors, box.begin, cut);
      boxes.push_back(measure(colors, cut, box.end));
   }

   std::vector<uint32_t> table;
   for (const Box &box : boxes) {
      uint64_t sum[3] = {0, 0, 0}, n = 0;
      for (size_t i = box.begin; i < box.end; i++) {
         for (int c = 0; c < 3; c++)
            sum[c] += uint64_t(channel(colors[i].rgb, c)) * colors[i].count;
         n += colors[i].count;
      }
      uint32_t rgb = 0;
      for (int c = 0; c < 3; c++)
         rgb |= uint32_t((sum[c] + n / 2) / n) << (16 - 8 * c);
      table.push_back(rgb);
   }
   std::sort(table.begin(), table.end());
   table.erase(std::unique(table.begin(), table.end()), table.end());
   return table;
}

uint8_t nearest(const std::vector<uint32_t> &table, uint32_t rgb)
{
   int best = 0;
   long bestDistance = -1;
   for (size_t k = 0; k < table.size(); k++) {
      long distance = 0;
      for (int c = 0; c < 3; c++) {
         const long d = channel(table[k], c) - channel(rgb, c);
         distance += d * d;
      }
      if (bestDistance < 0 || distance < bestDistance) {
         bestDistance = distance;
         best = int(k);
      }
   }
   return uint8_t(best);
}

}  // namespace

bool index_picture(const Picture &picture, IndexedPicture *out)
{
   // Counted a run of equal pixels at a time: pictures with few colours
   // have long ones.
   ColorHistogram histogram;
   bool transparent = false;
   const std::vector<uint32_t> &pixels = picture.pixels;
   for (size_t i = 0, j; i < pixels.size(); i = j) {
      for (j = i + 1; j < pixels.size() && pixels[j] == pixels[i];)
         j++;
      if ((pixels[i] >> 24) == 0)
         transparent = true;
      else
         histogram[pixels[i] & 0xFFFFFF] += uint32_t(j - i);
   }
   std::vector<ColorCount> colors = histogram.colors();
   std::sort(colors.begin(), colors.end(),
             [](const ColorCount &a, const ColorCount &b) { return a.rgb < b.rgb; });

   out->colors.clear();
   const size_t limit = transparent ? 255 : 256;
   if (colors.size() <= limit) {
      for (const ColorCount &c : colors)
         out->colors.push_back(c.rgb);
   } else {
      out->colors = median_cut(colors, limit);
   }
   for (const ColorCount &c : colors)
      histogram[c.rgb] = nearest(out->colors, c.rgb);
   out->transparent = -1;
   if (transparent) {
      out->transparent = int(out->colors.size());
      out->colors.push_back(0);
   }
   if (out->colors.empty())
      out->colors.push_back(0);

   out->indices.reset(create_bitmap_ex(8, picture.w, picture.h));
   if (!out->indices)
      return false;
   const uint32_t *in = pixels.data();
   for (int y = 0; y < picture.h; y++) {
      uint8_t *row = out->indices->line[y];
      for (int x = 0; x < picture.w; x++, in++) {
         if ((*in >> 24) == 0)
            row[x] = uint8_t(out->transparent);
         else if (x > 0 && in[-1] == *in)
            row[x] = row[x - 1];
         else
            row[x] = uint8_t(histogram[*in & 0xFFFFFF]);
      }
   }
   return true;
}
