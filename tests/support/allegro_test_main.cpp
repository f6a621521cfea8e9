// Test entry: Allegro without a display, at 32 bits per pixel, so that
// memory bitmaps, colours and packed files work in every test.
#include <allegro.h>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
   testing::InitGoogleTest(&argc, argv);
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 2;
   set_color_depth(32);
   return RUN_ALL_TESTS();
}
