#include "screens/game_over.h"

#include <allegro.h>

#include "audio/sound.h"
#include "scores/highscores.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

void updateGameOver()
{
   if (inputDelay != 0)
      return;
   if (!keys->held(KEY_ESC) && !keys->held(KEY_ENTER) && !keys->held(KEY_SPACE))
      return;
   if (highscores.rankOf(playedGame().score) == -1) {
      screenState = Menu;
      inputDelay = kScreenChangeDelay;
   } else {
      // What was typed here was for this screen: the key that left it
      // would otherwise be the name's first, or its Enter.
      keys->clearKeybuf();
      screenState = NameEntry;
      inputDelay = kLongInputDelay;
      playSound(Cue::NameEntryOpened);
   }
}

void drawGameOver()
{
   textprintf_ex(backBuffer, font, 200, 240, makecol(255, 255, 255), -1,
                 "G A M E           O V E R");
}
