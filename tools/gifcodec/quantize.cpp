#include "quantize.h"

#include <algorithm>

#include "gif/gif_palette.h"

bool index_picture(const Picture &picture, IndexedPicture *out)
{
   // Counted a run of equal pixels at a time: pictures with few colours
   // have long ones.
   GifColorMap histogram;
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
   std::vector<GifColorCount> colors = histogram.colors();
   std::sort(colors.begin(), colors.end(),
             [](const GifColorCount &a, const GifColorCount &b) { return a.rgb < b.rgb; });

   out->colors.clear();
   const size_t limit = transparent ? 255 : 256;
   if (colors.size() <= limit) {
      for (const GifColorCount &c : colors)
         out->colors.push_back(c.rgb);
   } else {
      out->colors = median_cut(colors, limit);
   }
   // In the order of their values, each colour is near the one before.
   const GifNearest nearest(out->colors);
   int entry = -1;
   for (const GifColorCount &c : colors) {
      entry = nearest(c.rgb, entry);
      histogram[c.rgb] = uint32_t(entry);
   }
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
