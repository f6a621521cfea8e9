#include "screens/playfield.h"

#include <allegro.h>

#include "game/game.h"
#include "game/particle.h"
#include "screens/playfield_drawing.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

namespace {

void drawGauge(int x1, int y1, int x2, int y2, int fill, int frameX2, int frameY2, int outline)
{
   rectfill(backBuffer, x1, y1, x2, y2, fill);
   rect(backBuffer, x1, y1, frameX2, frameY2, outline);
}

}  // namespace

void newGame()
{
   startGame(heldActions(), false);
   screenState = Playing;
}

void updateGame()
{
   const PlayTick tick = playTick(heldActions());
   if (tick.over) {
      screenState = GameOver;
      inputDelay = kScreenChangeDelay;
      keys->clearKeybuf();
   }
   if (tick.begunAnew)
      screenState = Playing;
   // Space and Q act whatever the input delay; Esc waits for it.
   if (actionHeld(OpenQuitPrompt) && inputDelay == 0) {
      inputDelay = kScreenChangeDelay;
      quitPromptRequested = true;
   }
   if (actionHeld(QuitGame))
      screenState = Exit;
}

void drawGame()
{
   blit(texture, backBuffer, 0, 0, 0, 0, texture->w, texture->h);
   // The juggler stands on the bottom edge, between the hands.
   draw_sprite(backBuffer, characterImage, leftHand.midX - characterImage->w / 2,
               kGameHeight - characterImage->h);
   for (const Ball &ball : balls)
      drawBall(ball);
   set_trans_blender(128, 128, 128, 200);
   for (const Powerup &target : targets)
      drawTarget(target);
   solid_mode();
   for (const TextFade &popup : popups)
      drawPopup(popup);
   drawHand(leftHand);
   drawHand(rightHand);
   drawSparks();

   textprintf_ex(backBuffer, scoresFont, 521, 21, makecol(0, 0, 0), -1, "%i", score);
   textprintf_ex(backBuffer, scoresFont, 520, 20, makecol(253, 253, 51), -1, "%i", score);

   const int power = makecol(150, 0, 0), powerOutline = makecol(0, 50, 0);
   const int leftTop = int(kGameHeight - 20 * leftHand.power);
   const int rightTop = int(kGameHeight - 20 * rightHand.power);
   drawGauge(5, 475, 9, leftTop, power, 9, leftTop, powerOutline);
   drawGauge(630, 475, 635, rightTop, power, 635, rightTop, powerOutline);
   drawGauge(5, 5, int(20 * energy + 5), 10, makecol(255, 200, 200), 205, 10, makecol(105, 50, 50));
   drawGauge(5, 12, int((10 - hitTimer) * 20 + 5), 17, makecol(200, 200, 255), 205, 17,
             makecol(50, 50, 105));
}
