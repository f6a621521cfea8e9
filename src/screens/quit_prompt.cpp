#include "screens/quit_prompt.h"

#include "audio/sound.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"
#include "shell/window.h"

BITMAP *quitSnapshot = nullptr;

void openQuitPrompt()
{
   freeQuitSnapshot();
   quitSnapshot = create_bitmap(kGameWidth, kGameHeight);
   // Without memory for the snapshot the question still shows, on black.
   if (quitSnapshot) {
      // The field drawn afresh (the back buffer is blank between frames):
      // a copy of the screen would hold the frame rate written over it.
      drawGame();
      blit(backBuffer, quitSnapshot, 0, 0, 0, 0, kGameWidth, kGameHeight);
      clear_bitmap(backBuffer);
      // A regular dot screen: one pixel in four.
      const int dot = makecol(50, 50, 50);
      for (int y = 0; y < kGameHeight; y += 2) {
         for (int x = 0; x < kGameWidth; x += 2)
            putpixel(quitSnapshot, x, y, dot);
      }
   }
   screenState = QuitPrompt;
   playSound(Cue::PromptOpened);
}

void updateQuitPrompt()
{
   if (inputDelay != 0)
      return;
   if (keys->held(KEY_ESC) || keys->held(KEY_N)) {
      // The game resumes where it stood: its tick did not run meanwhile.
      screenState = Playing;
      inputDelay = kScreenChangeDelay;
   }
   if (keys->held(KEY_Y)) {
      screenState = Menu;
      inputDelay = kScreenChangeDelay;
   }
   if (screenState != QuitPrompt)
      playSound(Cue::PromptAnswered);
}

void drawQuitPrompt()
{
   if (quitSnapshot)
      blit(quitSnapshot, backBuffer, 0, 0, 0, 0, kGameWidth, kGameHeight);
   rectfill(backBuffer, 150, 150, 490, 330, makecol(kPanelFace));
   const int brown = makecol(kPanelInk);
   rect(backBuffer, 150, 150, 490, 330, brown);
   textprintf_ex(backBuffer, font, 200, 200, brown, -1, "Quit to menu? (Y/N)");
}

void freeQuitSnapshot()
{
   if (quitSnapshot)
      destroy_bitmap(quitSnapshot);
   quitSnapshot = nullptr;
}
