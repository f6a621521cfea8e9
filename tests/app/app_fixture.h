// The application's screens without a display: a 16-bit memory bitmap as
// the screen, small stand-in assets, and a scripted keyboard.
#ifndef TOSSARO_TESTS_APP_FIXTURE_H
#define TOSSARO_TESTS_APP_FIXTURE_H

#include <allegro.h>
#include <gtest/gtest.h>

#include <deque>
#include <set>

#include "app/keyboard.h"

class ScriptedKeys : public KeySource {
public:
   bool held(int scancode) override { return down.count(scancode) != 0; }
   bool keypressed() override { return !buffer.empty(); }
   int readkey() override
   {
      const int k = buffer.front();
      buffer.pop_front();
      return k;
   }
   void clearKeybuf() override
   {
      buffer.clear();
      clears++;
   }

   std::set<int> down;
   std::deque<int> buffer;
   int clears = 0;
};

class AppTest : public testing::Test {
protected:
   // Stand-in assets on top of the memory screen and scripted keys.
   void SetUp() override;
   void TearDown() override;

   // 16-bit colour, a memory screen, the scripted keys in place of the
   // keyboard, and the shell's state as at start-up; undone by the second.
   void useMemoryScreenAndScriptedKeys();
   void restoreScreenAndKeys();

   // Colours of the stand-in assets, at 16 bits.
   int textureColor() const { return makecol(200, 100, 40); }
   int bannerColor() const { return makecol(20, 120, 220); }
   int scoresBannerColor() const { return makecol(220, 20, 120); }
   int particleColor() const { return makecol(255, 255, 0); }
   int logoColor() const { return makecol(0, 255, 0); }

   ScriptedKeys scripted;
   BITMAP *savedScreen = nullptr;
   KeySource *savedKeys = nullptr;
};

// Whether any pixel of the rectangle has the colour.
bool has_color(BITMAP *bitmap, int x0, int y0, int x1, int y1, int color);

#endif
