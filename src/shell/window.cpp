#include "shell/window.h"

#include "files/say.h"

int windowScale = 1;
bool windowFullscreen = false;

int fittingScale(int desktopWidth, int desktopHeight)
{
   int scale = kMaxScale;
   while (scale > 1 && (kGameWidth * scale > desktopWidth || kGameHeight * scale > desktopHeight))
      scale--;
   return scale;
}

std::string openWindow(int scale, bool fullscreen)
{
   if (scale == kAutoScale) {
      int w = 0, h = 0;
      scale = get_desktop_resolution(&w, &h) == 0 ? fittingScale(w, h) : 1;
   }
   const int w = kGameWidth * scale, h = kGameHeight * scale;
   windowScale = scale;
   windowFullscreen = false;
   if (fullscreen) {
      if (set_gfx_mode(GFX_AUTODETECT_FULLSCREEN, w, h, 0, 0) == 0) {
         windowFullscreen = true;
         return std::string();
      }
      say("no full-screen " + std::to_string(w) + "x" + std::to_string(h) + " mode here (" +
          allegro_error + "); opening a window");
   }
   if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, w, h, 0, 0) != 0)
      return "cannot open a " + std::to_string(w) + "x" + std::to_string(h) +
             " 16-bit window: " + allegro_error;
   return std::string();
}

void presentFrame(BITMAP *frame)
{
   if (windowScale == 1)
      blit(frame, screen, 0, 0, 0, 0, kGameWidth, kGameHeight);
   else
      stretch_blit(frame, screen, 0, 0, kGameWidth, kGameHeight, 0, 0, kGameWidth * windowScale,
                   kGameHeight * windowScale);
}
