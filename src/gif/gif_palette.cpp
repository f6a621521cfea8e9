#include "gif/gif_palette.h"

#include <algorithm>

namespace {

int channel(uint32_t rgb, int c)
{
   return int(rgb >> (16 - 8 * c)) & 0xFF;
}

// A box of the median cut: a range of the colour list.
struct Box {
   size_t begin, end;
   int widest;  // the channel with the largest spread
   int spread;
};

Box measure(const std::vector<GifColorCount> &colors, size_t begin, size_t end)
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

}  // namespace

uint32_t &GifColorMap::operator[](uint32_t rgb)
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

const uint32_t *GifColorMap::find(uint32_t rgb) const
{
   const uint32_t key = rgb + 1;
   for (size_t s = home(key); slots_[s].key != 0; s = (s + 1) & (slots_.size() - 1)) {
      if (slots_[s].key == key)
         return &slots_[s].value;
   }
   return nullptr;
}

void GifColorMap::clear()
{
   if (used_ == 0)
      return;
   std::fill(slots_.begin(), slots_.end(), Slot());
   used_ = 0;
}

std::vector<GifColorCount> GifColorMap::colors() const
{
   std::vector<GifColorCount> out;
   out.reserve(used_);
   for (const Slot &slot : slots_) {
      if (slot.key)
         out.push_back({slot.key - 1, slot.value});
   }
   return out;
}

void GifColorMap::grow()
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

std::vector<uint32_t> median_cut(std::vector<GifColorCount> &colors, size_t limit)
{
   if (colors.empty())
      return {};
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
      // The median is where the weight, in the order of the channel (then
      // of the whole colour), reaches half of the box's: the colours of
      // the channel's value it falls in are sorted, those below and above
      // only put on their side.
      uint64_t weights[256] = {}, total = 0;
      for (size_t i = box.begin; i < box.end; i++) {
         weights[channel(colors[i].rgb, c)] += colors[i].count;
         total += colors[i].count;
      }
      int median = 0;
      uint64_t below = 0;
      while (2 * (below + weights[median]) < total)
         below += weights[median++];
      const auto first = colors.begin() + long(box.begin), end = colors.begin() + long(box.end);
      const auto at = std::partition(
         first, end, [c, median](const GifColorCount &k) { return channel(k.rgb, c) < median; });
      const auto above = std::partition(
         at, end, [c, median](const GifColorCount &k) { return channel(k.rgb, c) == median; });
      std::sort(at, above,
                [](const GifColorCount &a, const GifColorCount &b) { return a.rgb < b.rgb; });
      // The cut follows the colour that reaches half, leaving one colour
      // at least on each side.
      uint64_t half = below;
      size_t cut = size_t(at - colors.begin());
      while (2 * (half += colors[cut].count) < total)
         cut++;
      cut = std::min(cut + 1, box.end - 1);
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

long color_distance(uint32_t a, uint32_t b)
{
   long distance = 0;
   for (int c = 0; c < 3; c++) {
      const long d = channel(a, c) - channel(b, c);
      distance += d * d;
   }
   return distance;
}

int nearest_color(const std::vector<uint32_t> &table, uint32_t rgb)
{
   int best = 0;
   long bestDistance = -1;
   for (size_t k = 0; k < table.size(); k++) {
      const long distance = color_distance(table[k], rgb);
      if (bestDistance < 0 || distance < bestDistance) {
         bestDistance = distance;
         best = int(k);
      }
   }
   return best;
}

GifNearest::GifNearest(const std::vector<uint32_t> &table) : table_(table)
{
   for (size_t k = 0; k < table.size(); k++)
      sorted_.push_back({channel(table[k], 0), channel(table[k], 1), channel(table[k], 2), int(k)});
   std::stable_sort(sorted_.begin(), sorted_.end(),
                    [](const Entry &a, const Entry &b) { return a.g < b.g; });
   size_t place = 0;
   for (int g = 0; g <= 256; g++) {
      while (place < sorted_.size() && sorted_[place].g < g)
         place++;
      from_[g] = int(place);
   }
}

int GifNearest::operator()(uint32_t rgb, int near) const
{
   const int r = channel(rgb, 0), g = channel(rgb, 1), b = channel(rgb, 2);
   int best = 0, bestDistance = 3 * 255 * 255 + 1;
   if (near >= 0 && near < int(table_.size())) {
      best = near;
      bestDistance = int(color_distance(table_[size_t(near)], rgb));
   }
   const auto consider = [&](const Entry &e) {
      const int distance = (e.r - r) * (e.r - r) + (e.g - g) * (e.g - g) + (e.b - b) * (e.b - b);
      if (distance < bestDistance || (distance == bestDistance && e.index < best)) {
         bestDistance = distance;
         best = e.index;
      }
   };
   // An entry whose green alone is further than the nearest found cannot
   // be nearer, nor can those beyond it.
   const auto reachable = [&](int i) {
      const int dg = sorted_[size_t(i)].g - g;
      return dg * dg <= bestDistance;
   };
   const int n = int(sorted_.size());
   for (int i = from_[g]; i < n && reachable(i); i++)
      consider(sorted_[size_t(i)]);
   for (int i = from_[g] - 1; i >= 0 && reachable(i); i--)
      consider(sorted_[size_t(i)]);
   return best;
}
