#include "screens/menu.h"

#include <allegro.h>

#include "audio/sound.h"
#include "screens/how_to_play.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

int menuSelection = 0;

namespace {

const char *const kItems[] = {"  Play", "High Scores", "  Exit"};
const int kItemCount = 3;
const int kItemX = 220, kFirstItemY = 180, kItemSpacing = 30;
const int kCursorLeftX = 180, kCursorRightX = 340, kCursorY = 175;
const int kFootY = 440;

void play()
{
   // A player's first game comes after How to play.
   if (howToPlayFirst)
      return openHowToPlay(true);
   playSound(Cue::ChoiceMade);
   newGame();
   inputDelay = kScreenChangeDelay;
   keys->clearKeybuf();
}

void showScores()
{
   playSound(Cue::ChoiceMade);
   inputDelay = kScreenChangeDelay;
   screenState = ScoreTable;
   keys->clearKeybuf();
}

}  // namespace

void updateMenu()
{
   if (inputDelay != 0)
      return;
   // Every check runs, whatever the earlier ones did.
   if (keys->held(KEY_P))
      play();
   if (keys->held(KEY_ESC))
      screenState = Exit;
   if (keys->held(KEY_H))
      showScores();
   if (keys->held(KEY_F1))
      openHowToPlay(false);
   if (keys->held(KEY_ENTER) || keys->held(KEY_SPACE)) {
      if (menuSelection == 0)
         play();
      else if (menuSelection == 1)
         showScores();
      else
         screenState = Exit;
   }
   if (keys->held(KEY_UP) || keys->held(KEY_DOWN)) {
      const int step = keys->held(KEY_UP) ? kItemCount - 1 : 1;
      menuSelection = (menuSelection + step) % kItemCount;
      playSound(Cue::CursorMoved);
      keys->clearKeybuf();
      inputDelay = kCursorRepeatDelay;
   }
}

void drawMenu()
{
   blit(texture, backBuffer, 0, 0, 0, 0, texture->w, texture->h);
   blit(titleMenu, backBuffer, 0, 0, 0, 0, titleMenu->w, titleMenu->h);
   const int brown = makecol(kPanelInk);
   for (int i = 0; i < kItemCount; i++)
      textprintf_ex(backBuffer, font, kItemX, kFirstItemY + kItemSpacing * i, brown, -1, "%s",
                    kItems[i]);
   const int y = kCursorY + kItemSpacing * menuSelection;
   draw_sprite(backBuffer, particleImage, kCursorLeftX, y);
   draw_sprite(backBuffer, particleImage, kCursorRightX, y);
   textout_centre_ex(backBuffer, font, "F1: how to play", kGameWidth / 2, kFootY, brown, -1);
}
