#include "screens/how_to_play.h"

#include <allegro.h>

#include <string>

#include "audio/sound.h"
#include "game/game_random.h"
#include "game/powerup.h"
#include "screens/playfield.h"
#include "screens/playfield_drawing.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

bool howToPlayFirst = false;
void (*howToPlayShown)() = nullptr;

namespace {

bool beforeAGame = false;

const int kTextX = 40, kLineHeight = 12;

// The rules, as the game plays them.
const char *const kRules[] = {
   "The hands follow the balls by themselves: tilt them to aim,",
   "and give them power to throw higher.",
   "A target's colour mixes the balls it needs; grey needs all three.",
   "Touch it with each: partly cleared, it flashes, and wants them all",
   "again if the others do not come within 5 seconds.",
   "It is worth 210 points (the largest) to 500 (the smallest),",
   "twice that for two colours, three and a half times for three.",
};
const char *const kBars[] = {
   "Each target collected fills the timer for 10 seconds.",
   "Once it is empty the energy drains: all of it in 10 seconds.",
   "With no energy the hands stop catching: the balls fall,",
   "and the game is over.",
};

std::string keyOf(PlayAction action)
{
   return keyName(playKeys.keys[action]);
}

void write(int x, int y, const std::string &text)
{
   textout_ex(backBuffer, font, text.c_str(), x, y, makecol(kPanelInk), -1);
}

// A target of the colours given, as the field shows it.
void showTarget(GameRandom &random, int x, int y, int radius, int red, int green, int blue)
{
   Powerup target(random);
   target.x = x;
   target.y = y;
   target.radius = radius;
   target.needRed = red;
   target.needGreen = green;
   target.needBlue = blue;
   drawTarget(target);
}

// The energy and timer bars as the field shows them, partly full, each
// named.
void showBars(int x, int y)
{
   drawBars(6, 7, x, y);
   write(x + 210, y - 3, "the energy");
   write(x + 210, y + 7, "the timer");
}

}  // namespace

void openHowToPlay(bool beforeGame)
{
   beforeAGame = beforeGame;
   screenState = HowToPlay;
   inputDelay = kScreenChangeDelay;
   keys->clearKeybuf();
   playSound(Cue::ChoiceMade);
}

void updateHowToPlay()
{
   if (inputDelay != 0)
      return;
   const bool enter = keys->held(KEY_ENTER) || keys->held(KEY_SPACE);
   const bool back = keys->held(KEY_ESC) || keys->held(KEY_F1);
   if (beforeAGame && enter) {
      howToPlayFirst = false;
      if (howToPlayShown)
         howToPlayShown();
      newGame();
   } else if (back || enter) {
      screenState = Menu;
   } else {
      return;
   }
   inputDelay = kScreenChangeDelay;
   keys->clearKeybuf();
}

void drawHowToPlay()
{
   blit(texture, backBuffer, 0, 0, 0, 0, texture->w, texture->h);
   const int ink = makecol(kPanelInk);
   textout_centre_ex(backBuffer, font, "How to play", kGameWidth / 2, 16, ink, -1);

   // The two hands and their keys.
   const int keysX = kTextX + handImage->w + 12;
   draw_sprite(backBuffer, handImage, kTextX, 36);
   write(keysX, 48,
         "Left hand: " + keyOf(LeftTiltLeft) + " " + keyOf(LeftTiltRight) + " tilt, " +
            keyOf(LeftPowerUp) + " " + keyOf(LeftPowerDown) + " power");
   draw_sprite_h_flip(backBuffer, handImage, kTextX, 36 + handImage->h + 4);
   write(keysX, 52 + handImage->h,
         "Right hand: " + keyOf(RightTiltLeft) + " " + keyOf(RightTiltRight) + " tilt, " +
            keyOf(RightPowerUp) + " " + keyOf(RightPowerDown) + " power");
   int y = 44 + 2 * handImage->h;
   write(keysX, y, "A controller: the left stick or the pad, and the right stick");
   write(keysX, y + kLineHeight,
         keyOf(PauseGame) + " pauses, " + keyOf(OpenQuitPrompt) + " asks whether to quit");

   y += 3 * kLineHeight;
   for (const char *line : kRules) {
      write(kTextX, y, line);
      y += kLineHeight;
   }
   // One target of each kind of need: one colour, two, all three.
   GameRandom random(1);
   // The field's blender for its targets, whatever drew last.
   set_trans_blender(128, 128, 128, 200);
   const int targetsY = y + 34;
   const struct {
      int x, red, green, blue;
      const char *worth;
   } kTargets[] = {
      {180, 1, 0, 0, "one: x1"}, {320, 1, 1, 0, "two: x2"}, {460, 1, 1, 1, "all: x3.5"}};
   for (const auto &t : kTargets) {
      showTarget(random, t.x, targetsY, 26, t.red, t.green, t.blue);
      BITMAP *const balls[] = {ballRed, ballGreen, ballBlue};
      const int needed = t.red + t.green + t.blue;
      for (int b = 0; b < needed; b++)
         draw_sprite(backBuffer, balls[b], t.x - needed * 8 + 16 * b, targetsY + 32);
      textout_centre_ex(backBuffer, font, t.worth, t.x, targetsY + 54, ink, -1);
   }

   y = targetsY + 74;
   showBars(kTextX, y);
   y += 26;
   for (const char *line : kBars) {
      write(kTextX, y, line);
      y += kLineHeight;
   }
   textout_centre_ex(backBuffer, font,
                     beforeAGame ? "Enter: play   Esc: back to the menu"
                                 : "Esc, Enter or F1: back to the menu",
                     kGameWidth / 2, kGameHeight - 20, ink, -1);
}
