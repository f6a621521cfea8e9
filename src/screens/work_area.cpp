#include "screens/work_area.h"

#include <algorithm>

#include "shell/assets.h"

WorkArea::WorkArea(int w, int h)
{
   area = create_sub_bitmap(workBitmap, 0, 0, std::min(std::max(w, 1), workBitmap->w),
                            std::min(std::max(h, 1), workBitmap->h));
   // Without memory for the small header, the whole bitmap does the same.
   if (!area)
      area = workBitmap;
   clear();
}

WorkArea::~WorkArea()
{
   if (area != workBitmap)
      destroy_bitmap(area);
}

void WorkArea::clear()
{
   clear_to_color(area, makecol(255, 0, 255));
}

void WorkArea::blend(int x, int y)
{
   draw_trans_sprite(backBuffer, area, x, y);
}
