#include "gif/gif_draw.h"

#include <cstdint>
#include <cstring>

#include "gif/gif_format.h"
#include "gif/gif_reader.h"

namespace {

struct Rect {
   int x, y, w, h;
};

// Where a frame lands on the destination, clipped to its clip rectangle;
// (frameX, frameY) is the first frame pixel drawn.
struct Placement {
   int destX, destY, w, h;
   int frameX, frameY;
};

bool place(BITMAP *dest, Rect area, Placement *out)
{
   int left = 0, top = 0, right = dest->w, bottom = dest->h;
   if (dest->clip) {
      left = dest->cl > 0 ? dest->cl : 0;
      top = dest->ct > 0 ? dest->ct : 0;
      right = dest->cr < dest->w ? dest->cr : dest->w;
      bottom = dest->cb < dest->h ? dest->cb : dest->h;
   }
   const long x0 = area.x > left ? area.x : left;
   const long y0 = area.y > top ? area.y : top;
   const long x1 = long(area.x) + area.w < right ? long(area.x) + area.w : right;
   const long y1 = long(area.y) + area.h < bottom ? long(area.y) + area.h : bottom;
   if (x0 >= x1 || y0 >= y1)
      return false;
   *out = {int(x0), int(y0), int(x1 - x0), int(y1 - y0), int(x0 - area.x), int(y0 - area.y)};
   return true;
}

void fill_mask(BITMAP *dest, Rect area)
{
   if (area.w > 0 && area.h > 0)
      rectfill(dest, area.x, area.y, area.x + area.w - 1, area.y + area.h - 1,
               bitmap_mask_color(dest));
}

// Writes `count` indices of a row through the colour table, skipping the
// transparent index (`skip`, or -1).
template <typename Pixel>
void put_row(uintptr_t address, const uint8_t *indices, int count, const uint32_t *colors,
             int skip)
{
   Pixel *target = reinterpret_cast<Pixel *>(address);
   if (skip < 0) {
      for (int k = 0; k < count; k++)
         target[k] = Pixel(colors[indices[k]]);
      return;
   }
   for (int k = 0; k < count; k++) {
      if (indices[k] != skip)
         target[k] = Pixel(colors[indices[k]]);
   }
}

void put_row24(uintptr_t address, const uint8_t *indices, int count, const uint32_t *colors,
               int skip)
{
   uint8_t *target = reinterpret_cast<uint8_t *>(address);
   for (int k = 0; k < count; k++) {
      if (indices[k] != skip)
         bmp_write24(uintptr_t(target + 3 * k), colors[indices[k]]);
   }
}

// How many pixels of a display row the image data reached.
int reached_in_row(const GifFrame *frame, int row)
{
   const int w = frame->bitmap->w;
   if (frame->missing_pixels == 0)
      return w;
   const long reached = long(w) * frame->bitmap->h - frame->missing_pixels;
   const long before = long(w) * gif_stored_row(frame, row);
   const long left = reached - before;
   return left <= 0 ? 0 : left >= w ? w : int(left);
}

void compose(BITMAP *dest, const GifFrame *frame, const ColorTable *table, int x, int y)
{
   Placement at;
   if (!place(dest, {x, y, frame->bitmap->w, frame->bitmap->h}, &at))
      return;

   // The table's colours at the destination's depth; entries past its
   // count are zero, so they draw black.
   const int depth = bitmap_color_depth(dest);
   uint32_t colors[256];
   for (int k = 0; k < 256; k++) {
      const GifColor &c = table->colors[k];
      colors[k] = uint32_t(makecol_depth(depth, c.r, c.g, c.b));
   }
   const int bytes = (depth + 7) / 8;

   for (int row = 0; row < at.h; row++) {
      const int frameRow = at.frameY + row;
      const int reached = reached_in_row(frame, frameRow);
      int count = reached - at.frameX;
      if (count > at.w)
         count = at.w;
      if (count <= 0)
         continue;
      const uint8_t *indices = frame->bitmap->line[frameRow] + at.frameX;
      const uintptr_t address = bmp_write_line(dest, at.destY + row) + uintptr_t(at.destX) * bytes;
      switch (bytes) {
      case 1: put_row<uint8_t>(address, indices, count, colors, frame->transparent_index); break;
      case 2: put_row<uint16_t>(address, indices, count, colors, frame->transparent_index); break;
      case 3: put_row24(address, indices, count, colors, frame->transparent_index); break;
      default: put_row<uint32_t>(address, indices, count, colors, frame->transparent_index); break;
      }
   }
   bmp_unwrite_line(dest);
}

Rect frame_rect(const GifFrame &frame, int x, int y)
{
   return {x + frame.x, y + frame.y, frame.bitmap->w, frame.bitmap->h};
}

// Whether a frame paints every pixel of the logical screen, so that
// nothing under it can show, nor be saved for a later restore.
bool covers_screen(const GifSequence *sequence, const GifFrame &frame)
{
   return frame.x == 0 && frame.y == 0 && frame.bitmap->w >= sequence->width &&
          frame.bitmap->h >= sequence->height && frame.transparent_index < 0 &&
          frame.missing_pixels == 0 && frame.disposal != GIF_DISPOSAL_PREVIOUS;
}

void compose_frame(GifSequence *sequence, BITMAP *dest, int i, int x, int y)
{
   if (i == 0) {
      if (!covers_screen(sequence, sequence->frames[0]))
         fill_mask(dest, {x, y, sequence->width, sequence->height});
   } else {
      const GifFrame &previous = sequence->frames[i - 1];
      if (previous.disposal == GIF_DISPOSAL_BACKGROUND) {
         fill_mask(dest, frame_rect(previous, x, y));
      } else if (previous.disposal == GIF_DISPOSAL_PREVIOUS && sequence->saved_area) {
         blit(sequence->saved_area, dest, 0, 0, x + previous.x, y + previous.y,
              sequence->saved_area->w, sequence->saved_area->h);
         destroy_bitmap(sequence->saved_area);
         sequence->saved_area = nullptr;
      }
   }

   const GifFrame &frame = sequence->frames[i];
   if (frame.disposal == GIF_DISPOSAL_PREVIOUS) {
      if (sequence->saved_area)
         destroy_bitmap(sequence->saved_area);
      sequence->saved_area = create_bitmap_ex(bitmap_color_depth(dest), frame.bitmap->w,
                                              frame.bitmap->h);
      if (sequence->saved_area) {
         // Parts of the area off the destination are never put back on
         // it; clearing them keeps the copy fully defined.
         clear_to_color(sequence->saved_area, bitmap_mask_color(sequence->saved_area));
         blit(dest, sequence->saved_area, x + frame.x, y + frame.y, 0, 0, frame.bitmap->w,
              frame.bitmap->h);
      }
   }

   const ColorTable *table = frame.palette.count ? &frame.palette : &sequence->palette;
   compose(dest, &frame, table, x + frame.x, y + frame.y);
}

}  // namespace

void draw_gif_frame(GifSequence *sequence, BITMAP *dest, int i, int x, int y)
{
   // Nothing is drawn outside the logical screen: the destination's clip
   // rectangle is narrowed to it for the call.
   int left, top, right, bottom;
   get_clip_rect(dest, &left, &top, &right, &bottom);
   const int clipping = get_clip_state(dest);
   set_clip_rect(dest, x, y, x + sequence->width - 1, y + sequence->height - 1);
   if (clipping)
      add_clip_rect(dest, left, top, right, bottom);
   // With clipping off, the library's fills would trust the rectangles
   // from the file; they must stay inside the destination too.
   set_clip_state(dest, TRUE);
   compose_frame(sequence, dest, i, x, y);
   set_clip_rect(dest, left, top, right, bottom);
   set_clip_state(dest, clipping);
}

BITMAP *load_gif_bitmap(const char *filename, RGB *palette, std::string *problem)
{
   GifSequence *sequence = open_gif_sequence(filename, problem);
   if (!sequence)
      return nullptr;
   if (sequence->frame_count == 0 || sequence->width == 0 || sequence->height == 0) {
      free_gif_sequence(sequence);
      if (problem)
         *problem = "no image to show";
      return nullptr;
   }

   const ColorTable &table =
      sequence->palette.count ? sequence->palette : sequence->frames[0].palette;
   PALETTE own;
   RGB *pal = palette ? palette : own;
   for (int k = 0; k < 256; k++) {
      const bool inTable = k < table.count;
      pal[k].r = inTable ? table.colors[k].r / 4 : 0;
      pal[k].g = inTable ? table.colors[k].g / 4 : 0;
      pal[k].b = inTable ? table.colors[k].b / 4 : 0;
   }

   BITMAP *result = create_bitmap(sequence->width, sequence->height);
   if (result) {
      select_palette(pal);
      for (int i = 0; i < sequence->frame_count; i++)
         draw_gif_frame(sequence, result, i, 0, 0);
      unselect_palette();
   } else if (problem) {
      *problem = "out of memory";
   }
   free_gif_sequence(sequence);
   return result;
}
