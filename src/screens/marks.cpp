#include "screens/marks.h"

#include <allegro.h>

#include "audio/sound.h"
#include "shell/assets.h"

bool showMarks = false;

namespace {

// The side of one mark in the marks image, which holds red's, green's and
// blue's from the left.
const int kMark = 10;

}  // namespace

void drawMark(int colour, int x, int y)
{
   masked_blit(marksImage, backBuffer, colour * kMark, 0, x - kMark / 2, y - kMark / 2, kMark,
               kMark);
}

void drawNeededMarks(bool red, bool green, bool blue, int x, int y)
{
   const bool needed[3] = {red, green, blue};
   const int count = int(red) + int(green) + int(blue);
   int left = x - (count - 1) * kMark / 2;
   for (int colour = RedBall; colour <= BlueBall; colour++) {
      if (needed[colour]) {
         drawMark(colour, left, y);
         left += kMark;
      }
   }
}
