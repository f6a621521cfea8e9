// The window's scale: the largest that fits a desktop, and frames shown
// enlarged by whole pixels.
#include "app_fixture.h"
#include "shell/window.h"

namespace {

using WindowTest = AppTest;

TEST(WindowScale, LargestThatFitsTheDesktop)
{
   const struct {
      int w, h, scale;
   } cases[] = {
      {0, 0, 1},       {-1, -1, 1},     {640, 480, 1},   {1279, 960, 1}, {1280, 959, 1},
      {1280, 960, 2},  {1920, 1080, 2}, {1920, 1440, 3}, {2560, 1440, 3}, {2560, 1920, 4},
      {7680, 4320, 4},
   };
   for (const auto &c : cases)
      EXPECT_EQ(fittingScale(c.w, c.h), c.scale) << c.w << "x" << c.h;
}

TEST_F(WindowTest, EveryGamePixelBecomesABlockOfTheScale)
{
   BITMAP *frame = create_bitmap(640, 480);
   for (int y = 0; y < 480; y++) {
      for (int x = 0; x < 640; x++)
         putpixel(frame, x, y, makecol((x * 7 + y) & 255, (x * 13) & 255, (y * 5) & 255));
   }
   BITMAP *const gameScreen = screen;
   for (int scale = 1; scale <= kMaxScale; scale++) {
      screen = create_bitmap(640 * scale, 480 * scale);
      windowScale = scale;
      presentFrame(frame);
      int wrong = 0;
      for (int y = 0; y < screen->h; y++) {
         for (int x = 0; x < screen->w; x++)
            wrong += getpixel(screen, x, y) != getpixel(frame, x / scale, y / scale);
      }
      EXPECT_EQ(wrong, 0) << "scale " << scale;
      destroy_bitmap(screen);
   }
   screen = gameScreen;
   destroy_bitmap(frame);
}

}  // namespace
