// The corner of the shared scratch bitmap that one translucent object
// covers. The whole 180 x 180 bitmap would give the same pixels, since the
// rest of it stays mask colour, which sprite drawing skips; clearing and
// blending only the corner saves most of the work.
#ifndef TOSSARO_SCREENS_WORK_AREA_H
#define TOSSARO_SCREENS_WORK_AREA_H

#include <allegro.h>

class WorkArea {
public:
   // The top-left w x h of workBitmap (at most all of it), cleared to the
   // mask colour.
   WorkArea(int w, int h);
   ~WorkArea();
   WorkArea(const WorkArea &) = delete;
   WorkArea &operator=(const WorkArea &) = delete;

   BITMAP *bitmap() const { return area; }
   // Fills the area with the mask colour again.
   void clear();
   // Draws the area onto backBuffer with its top-left corner at (x, y),
   // under the blender set by the caller.
   void blend(int x, int y);

private:
   BITMAP *area;
};

#endif
