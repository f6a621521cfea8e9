#include "screens/intro.h"

#include <allegro.h>

#include "screens/menu.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

float backdropAlpha = 255.0f;
float logoAlpha = 0.0f;

namespace {

const int kLogoY = 200;

void drawLayer(BITMAP *image, int y, float alpha)
{
   set_trans_blender(254, 254, 254, int(alpha));
   draw_trans_sprite(backBuffer, image, 0, y);
   solid_mode();
}

}  // namespace

void updateIntro()
{
   // A key waits in the buffer until the logo is fully shown.
   if ((keys->keypressed() && logoAlpha >= 255 && inputDelay == 0) || backdropAlpha < 0) {
      keys->clearKeybuf();
      screenState = Menu;
      inputDelay = kScreenChangeDelay;
   }
   if (logoAlpha < 255 && backdropAlpha == 255)
      logoAlpha += 1;
   else
      backdropAlpha -= 1;
}

void drawIntro()
{
   drawMenu();
   drawLayer(texture, 0, backdropAlpha);
   if (backdropAlpha < 255)
      logoAlpha = backdropAlpha;
   drawLayer(loadingLogo, kLogoY, logoAlpha);
}
