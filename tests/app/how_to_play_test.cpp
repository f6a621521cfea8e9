// How to play as drawn: what it says is what the rules and the keys do.
#include <algorithm>

#include "app_fixture.h"
#include "game/game_random.h"
#include "game/playfield_fixture.h"
#include "game/powerup.h"
#include "gif/gif.h"
#include "screens/how_to_play.h"
#include "screens/playfield_drawing.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

namespace {

using HowToPlayTest = PlayfieldTest;

// The top left of the energy bar: its first pixel of the energy's colour
// less one, where its frame is.
TextPlace findBars(BITMAP *picture)
{
   const int energy = makecol(255, 200, 200);
   for (int y = 0; y < picture->h; y++)
      for (int x = 0; x < picture->w; x++)
         if (getpixel(picture, x, y) == energy)
            return {x - 1, y - 1};
   return {-1, -1};
}

TEST_F(HowToPlayTest, SaysWhatTheRulesDoAndTheKeysAsBound)
{
   // The least and most a target of one colour is worth, and the factors
   // of two and three colours, as the rules make them.
   GameRandom random(7);
   int least = 1 << 30, most = 0;
   double two = 0, three = 0;
   for (int i = 0; i < 20000; i++) {
      const Powerup target(random);
      const int colours = target.needRed + target.needGreen + target.needBlue;
      const int single = 10 * (70 - target.radius);
      if (colours == 1) {
         least = std::min(least, target.value);
         most = std::max(most, target.value);
      } else {
         (colours == 2 ? two : three) = double(target.value) / single;
      }
   }
   const int ink = makecol(kPanelInk);
   // Keys bound elsewhere, for this test alone.
   struct Rebound {
      KeyBindings saved = playKeys;
      ~Rebound() { playKeys = saved; }
   } rebound;
   playKeys.keys[LeftTiltLeft] = KEY_Q;
   playKeys.keys[PauseGame] = KEY_F5;
   for (bool beforeGame : {false, true}) {
      openHowToPlay(beforeGame);
      clear_bitmap(backBuffer);
      drawHowToPlay();
      EXPECT_GE(find_text(backBuffer,
                          "It is worth " + std::to_string(least) + " points (the largest) to " +
                             std::to_string(most) + " (the smallest),",
                          ink)
                   .y,
                0);
      EXPECT_EQ(two, 2.0);
      EXPECT_EQ(three, 3.5);
      EXPECT_GE(
         find_text(backBuffer, "twice that for two colours, three and a half times for three.", ink)
            .y,
         0);
      EXPECT_GE(find_text(backBuffer, "Left hand: Q D tilt, W S power", ink).y, 0);
      EXPECT_GE(find_text(backBuffer, "F5 pauses, ESC asks whether to quit", ink).y, 0);
      EXPECT_GE(find_text(backBuffer,
                          beforeGame ? "Enter: play   Esc: back to the menu"
                                     : "Esc, Enter or F1: back to the menu",
                          ink)
                   .y,
                0)
         << beforeGame;
      // A target of each need, in the field's colours over the backdrop:
      // red, yellow (red and green), grey (all three).
      int red = 0, yellow = 0, grey = 0;
      for (int y = 0; y < 480; y++) {
         for (int x = 0; x < 640; x++) {
            const int c = getpixel(backBuffer, x, y);
            const int r = getr(c), g = getg(c), b = getb(c);
            red += r > 120 && g < 60 && b < 60;
            yellow += r > 120 && r < 200 && std::abs(r - g) < 16 && b < 80;
            grey += r > 120 && r < 200 && std::abs(r - g) < 12 && std::abs(g - b) < 12;
         }
      }
      EXPECT_GT(red, 1000);
      EXPECT_GT(yellow, 1000);
      EXPECT_GT(grey, 1000);
      // The energy and timer bars, as the field draws them for a game of
      // that energy and time: found by the energy's colour.
      const TextPlace bars = findBars(backBuffer);
      ASSERT_GE(bars.y, 0);
      BitmapPtr field(create_bitmap(640, 480));
      blit(texture, field.get(), 0, 0, 0, 0, 640, 480);
      BITMAP *const drawn = backBuffer;
      backBuffer = field.get();
      drawBars(6, 7, bars.x, bars.y);
      backBuffer = drawn;
      for (int y = bars.y; y <= bars.y + 12; y++)
         for (int x = bars.x; x <= bars.x + 200; x++)
            ASSERT_EQ(getpixel(backBuffer, x, y), getpixel(field.get(), x, y)) << x << "," << y;
   }
   screenState = Menu;
}

}  // namespace
