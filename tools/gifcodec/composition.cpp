#include "composition.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const uint32_t kMagenta = 0xFF00FF;
const uint32_t kColors = 1u << 24;

uint32_t rgb_of(const GifColor &c)
{
   return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

bool covers_screen(const GifSequence *sequence, const GifFrame &frame)
{
   return frame.x == 0 && frame.y == 0 && frame.bitmap->w >= sequence->width &&
          frame.bitmap->h >= sequence->height && frame.transparent_index < 0 &&
          frame.missing_pixels == 0;
}

// The tables that frames 0..last draw with.
std::vector<ColorTable *> tables_drawn(GifSequence *sequence, int last)
{
   std::vector<ColorTable *> tables = {&sequence->palette};
   for (int i = 0; i <= last; i++) {
      if (sequence->frames[i].palette.count)
         tables.push_back(&sequence->frames[i].palette);
   }
   return tables;
}

// The library draws opaque magenta in its mask colour, like an uncovered
// pixel. So that the two stay apart, magenta table entries are changed to
// a colour that no table holds (entries past a table's count draw black).
// Returns that colour, -1 when no table holds magenta, or kColors when
// every colour is taken.
long stand_in_for_magenta(GifSequence *sequence, int last)
{
   const std::vector<ColorTable *> tables = tables_drawn(sequence, last);
   std::vector<uint32_t> used;
   for (const ColorTable *table : tables) {
      for (const GifColor &c : table->colors)
         used.push_back(rgb_of(c));
   }
   if (std::find(used.begin(), used.end(), kMagenta) == used.end())
      return -1;
   std::sort(used.begin(), used.end());
   used.erase(std::unique(used.begin(), used.end()), used.end());
   uint32_t spare = 0;
   while (spare < used.size() && used[spare] == spare)
      spare++;
   if (spare == kColors)
      return spare;
   for (ColorTable *table : tables) {
      for (GifColor &c : table->colors) {
         if (rgb_of(c) == kMagenta)
            c = {uint8_t(spare >> 16), uint8_t(spare >> 8), uint8_t(spare), c.unused};
      }
   }
   return spare;
}

template <int channels>
void table_row(const uint8_t *indices, int w, const unsigned char (*colors)[4], unsigned char *out)
{
   for (int x = 0; x < w; x++, out += channels)
      memcpy(out, colors[indices[x]], channels);
}

}  // namespace

std::string Composition::compose(GifSequence *sequence, int last)
{
   width_ = sequence->width;
   const GifFrame &frame = sequence->frames[last];
   if (covers_screen(sequence, frame)) {
      frame_ = &frame;
      const ColorTable &table = frame.palette.count ? frame.palette : sequence->palette;
      for (int k = 0; k < 256; k++) {
         const GifColor &c = table.colors[k];
         colors_[k][0] = c.r;
         colors_[k][1] = c.g;
         colors_[k][2] = c.b;
         colors_[k][3] = 255;
      }
      return std::string();
   }

   const std::string problem = start_canvas(sequence, last);
   for (int i = 0; problem.empty() && i <= last; i++)
      draw(i);
   return problem;
}

std::string Composition::begin(GifSequence *sequence)
{
   width_ = sequence->width;
   frame_ = nullptr;
   return start_canvas(sequence, sequence->frame_count - 1);
}

void Composition::draw(int i)
{
   draw_gif_frame(sequence_, canvas_.get(), i, 0, 0);
}

std::string Composition::start_canvas(GifSequence *sequence, int last)
{
   sequence_ = sequence;
   const long magenta = stand_in_for_magenta(sequence, last);
   if (magenta == kColors)
      return "too many colour tables to tell magenta from transparent";
   canvas_.reset(create_bitmap_ex(32, sequence->width, sequence->height));
   if (!canvas_)
      return "out of memory for the composed picture";
   if (magenta >= 0)
      magenta_ = makecol32(int(magenta >> 16), int(magenta >> 8 & 255), int(magenta & 255));
   return std::string();
}

void Composition::row(int y, int channels, unsigned char *out) const
{
   if (frame_) {
      if (channels == 4)
         table_row<4>(frame_->bitmap->line[y], width_, colors_, out);
      else
         table_row<3>(frame_->bitmap->line[y], width_, colors_, out);
      return;
   }
   const int mask = bitmap_mask_color(canvas_.get());
   const uint32_t *pixels = reinterpret_cast<const uint32_t *>(canvas_->line[y]);
   for (int x = 0; x < width_; x++, out += channels) {
      const int c = int(pixels[x]);
      if (c == mask) {
         memset(out, 0, size_t(channels));
         continue;
      }
      if (c == magenta_) {
         out[0] = 255;
         out[1] = 0;
         out[2] = 255;
      } else {
         out[0] = uint8_t(getr32(c));
         out[1] = uint8_t(getg32(c));
         out[2] = uint8_t(getb32(c));
      }
      if (channels == 4)
         out[3] = 255;
   }
}
