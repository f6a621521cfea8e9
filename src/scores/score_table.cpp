#include "score_table.h"

#include <allegro.h>

#include "app/keyboard.h"
#include "app/screen_state.h"
#include "highscores.h"

void updateScoreTable()
{
   if (inputDelay != 0)
      return;
   if (keys->held(KEY_ENTER) || keys->held(KEY_ESC) || keys->held(KEY_SPACE)) {
      screenState = Menu;
      inputDelay = kScreenChangeDelay;
   }
}

void drawScoreTable()
{
   highscores.drawTable();
}
