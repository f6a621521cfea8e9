#include "screens/pause.h"

#include <allegro.h>

#include <string>

#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

namespace {

const int kPanelX1 = 220, kPanelY1 = 210, kPanelX2 = 420, kPanelY2 = 270;

}  // namespace

void updatePause()
{
   if (inputDelay != 0)
      return;
   if (keys->held(playKeys.keys[PauseGame])) {
      screenState = Playing;
      inputDelay = kScreenChangeDelay;
   } else if (keys->held(playKeys.keys[OpenQuitPrompt])) {
      inputDelay = kScreenChangeDelay;
      quitPromptRequested = true;
   }
}

void drawPause()
{
   drawGame();
   rectfill(backBuffer, kPanelX1, kPanelY1, kPanelX2, kPanelY2, makecol(kPanelFace));
   const int ink = makecol(kPanelInk);
   rect(backBuffer, kPanelX1, kPanelY1, kPanelX2, kPanelY2, ink);
   const int middle = (kPanelX1 + kPanelX2) / 2;
   textout_centre_ex(backBuffer, font, "Paused", middle, kPanelY1 + 16, ink, -1);
   const std::string hint = keyName(playKeys.keys[PauseGame]) + ": go on";
   textout_centre_ex(backBuffer, font, hint.c_str(), middle, kPanelY1 + 36, ink, -1);
}
