#include "quantize.h"

#include <algorithm>
#include <unordered_map>

namespace {

struct ColorCount {
   uint32_t rgb;
   uint64_t count;
};

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

IndexedPicture index_picture(const Picture &picture)
{
   std::unordered_map<uint32_t, uint64_t> histogram;
   bool transparent = false;
   for (uint32_t pixel : picture.pixels) {
      if ((pixel >> 24) == 0)
         transparent = true;
      else
         histogram[pixel & 0xFFFFFF]++;
   }
   std::vector<ColorCount> colors;
   for (const auto &entry : histogram)
      colors.push_back({entry.first, entry.second});
   std::sort(colors.begin(), colors.end(),
             [](const ColorCount &a, const ColorCount &b) { return a.rgb < b.rgb; });

   IndexedPicture out;
   const size_t limit = transparent ? 255 : 256;
   if (colors.size() <= limit) {
      for (const ColorCount &c : colors)
         out.colors.push_back(c.rgb);
   } else {
      out.colors = median_cut(colors, limit);
   }

   std::unordered_map<uint32_t, uint8_t> index;
   for (size_t k = 0; k < colors.size(); k++)
      index[colors[k].rgb] = nearest(out.colors, colors[k].rgb);
   if (transparent) {
      out.transparent = int(out.colors.size());
      out.colors.push_back(0);
   }
   if (out.colors.empty())
      out.colors.push_back(0);

   out.indices.reserve(picture.pixels.size());
   for (uint32_t pixel : picture.pixels)
      out.indices.push_back((pixel >> 24) == 0 ? uint8_t(out.transparent) : index[pixel & 0xFFFFFF]);
   return out;
}
