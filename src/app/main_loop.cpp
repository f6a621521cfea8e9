#include "main_loop.h"

#include <allegro.h>

#include "assets.h"
#include "screen_state.h"
#include "screens.h"

std::atomic<int> pendingTicks(0);
std::atomic<int> framesThisSecond(0);
std::atomic<int> fps(0);
std::atomic<bool> closeRequested(false);

void onLogicTick()
{
   pendingTicks++;
}

void onSecondTick()
{
   fps = framesThisSecond.exchange(0);
}

void onCloseButton()
{
   closeRequested = true;
}

void updateScreen()
{
   if (inputDelay > 0)
      inputDelay--;
   // Read afresh each tick: a state change routes the next tick.
   const ScreenRoutines routines = routinesOf(screenState);
   if (routines.update)
      routines.update();
}

void drawFrame()
{
   const ScreenRoutines routines = routinesOf(screenState);
   if (routines.draw)
      routines.draw();
   textprintf_ex(backBuffer, font, 10, 20, makecol(255, 255, 255), -1, "FPS: %i", fps.load());
   framesThisSecond++;
   blit(backBuffer, screen, 0, 0, 0, 0, 640, 480);
   clear_bitmap(backBuffer);
}

void runMainLoop()
{
   for (;;) {
      if (closeRequested.exchange(false))
         screenState = Exit;
      if (screenState == Exit)
         break;
      // Every owed tick runs before the next frame, however many.
      while (pendingTicks > 0) {
         updateScreen();
         pendingTicks--;
      }
      drawFrame();
   }
}
