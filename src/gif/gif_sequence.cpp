#include "gif/gif_sequence.h"

#include <cstdlib>

ColorTable gif_color_table(const std::vector<uint32_t> &colors)
{
   ColorTable table = {};
   table.count = int(colors.size());
   for (size_t k = 0; k < colors.size(); k++)
      table.colors[k] = {uint8_t(colors[k] >> 16), uint8_t(colors[k] >> 8), uint8_t(colors[k]), 0};
   return table;
}

void free_gif_sequence(GifSequence *sequence)
{
   if (!sequence)
      return;
   for (int i = 0; i < sequence->frame_count; i++) {
      if (sequence->frames[i].bitmap)
         destroy_bitmap(sequence->frames[i].bitmap);
   }
   if (sequence->saved_area)
      destroy_bitmap(sequence->saved_area);
   free(sequence->frames);
   free(sequence);
}

int gif_stored_row(const GifFrame *frame, int row)
{
   if (!frame->interlaced)
      return row;
   // Passes: every 8th row from 0, every 8th from 4, every 4th from 2,
   // every 2nd from 1.
   const int h = frame->bitmap->h;
   const int pass1 = (h + 7) / 8;
   const int pass2 = (h + 3) / 8;
   const int pass3 = (h + 1) / 4;
   if (row % 8 == 0)
      return row / 8;
   if (row % 8 == 4)
      return pass1 + row / 8;
   if (row % 4 == 2)
      return pass1 + pass2 + row / 4;
   return pass1 + pass2 + pass3 + row / 2;
}
