#include "app_fixture.h"

#include "app/main_loop.h"
#include "screens/intro.h"
#include "screens/menu.h"
#include "screens/quit_prompt.h"
#include "shell/assets.h"
#include "shell/screen_state.h"
#include "shell/window.h"

void AppTest::useMemoryScreenAndScriptedKeys()
{
   set_color_depth(16);
   savedScreen = screen;
   screen = create_bitmap(kGameWidth, kGameHeight);
   clear_bitmap(screen);
   savedKeys = keys;
   keys = &scripted;
   savedSounds = sounds;
   sounds = &heard;

   screenState = Intro;
   inputDelay = 0;
   pendingTicks = 0;
   framesThisSecond = 0;
   fps = 0;
   closeRequested = false;
   focusLost = false;
   windowScale = 1;
   backdropAlpha = 255;
   logoAlpha = 0;
   menuSelection = 0;
}

void AppTest::restoreScreenAndKeys()
{
   freeQuitSnapshot();
   destroy_bitmap(screen);
   screen = savedScreen;
   keys = savedKeys;
   sounds = savedSounds;
   set_color_depth(32);
}

void AppTest::SetUp()
{
   useMemoryScreenAndScriptedKeys();
   backBuffer = create_bitmap(kGameWidth, kGameHeight);
   clear_bitmap(backBuffer);
   texture = create_bitmap(kGameWidth, kGameHeight);
   clear_to_color(texture, textureColor());
   titleMenu = create_bitmap(300, 120);
   clear_to_color(titleMenu, bannerColor());
   titleScores = create_bitmap(300, 110);
   clear_to_color(titleScores, scoresBannerColor());
   loadingLogo = create_bitmap(640, 100);
   clear_to_color(loadingLogo, bitmap_mask_color(loadingLogo));
   rectfill(loadingLogo, 100, 20, 500, 80, logoColor());
   particleImage = create_bitmap(16, 16);
   clear_to_color(particleImage, bitmap_mask_color(particleImage));
   circlefill(particleImage, 8, 8, 6, particleColor());
   workBitmap = create_bitmap(180, 180);
}

void AppTest::TearDown()
{
   for (BITMAP **b : {&backBuffer, &texture, &titleMenu, &titleScores, &loadingLogo,
                      &particleImage, &workBitmap}) {
      destroy_bitmap(*b);
      *b = nullptr;
   }
   restoreScreenAndKeys();
}

bool has_color(BITMAP *bitmap, int x0, int y0, int x1, int y1, int color)
{
   for (int y = y0; y <= y1; y++) {
      for (int x = x0; x <= x1; x++) {
         if (getpixel(bitmap, x, y) == color)
            return true;
      }
   }
   return false;
}

TextPlace find_text(BITMAP *bitmap, const std::string &text, int color)
{
   const int w = text_length(font, text.c_str()), h = text_height(font);
   BITMAP *written = create_bitmap_ex(bitmap_color_depth(bitmap), w, h);
   clear_bitmap(written);
   textout_ex(written, font, text.c_str(), 0, 0, color, -1);
   std::vector<bool> lit(size_t(w * h));
   for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++)
         lit[size_t(y * w + x)] = getpixel(written, x, y) == color;
   }
   destroy_bitmap(written);
   const auto showsAt = [&](int left, int top) {
      for (int y = 0; y < h; y++) {
         for (int x = 0; x < w; x++) {
            if ((getpixel(bitmap, left + x, top + y) == color) != lit[size_t(y * w + x)])
               return false;
         }
      }
      return true;
   };
   for (int top = 0; top + h <= bitmap->h; top++) {
      for (int left = 0; left + w <= bitmap->w; left++) {
         if (showsAt(left, top))
            return {left, top};
      }
   }
   return {-1, -1};
}

std::vector<RecordedSounds::Played> RecordedSounds::of(Cue cue) const
{
   std::vector<Played> found;
   for (const Played &p : played) {
      if (p.cue == cue)
         found.push_back(p);
   }
   return found;
}

VirtualPad::VirtualPad()
{
   device_ = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                       SDL_CONTROLLER_BUTTON_MAX, 0);
   stick_ = device_ < 0 ? nullptr : SDL_JoystickOpen(device_);
   if (!stick_)
      error = SDL_GetError();
}

void VirtualPad::unplug()
{
   if (stick_)
      SDL_JoystickClose(stick_);
   if (device_ >= 0)
      SDL_JoystickDetachVirtual(device_);
   stick_ = nullptr;
   device_ = -1;
}
