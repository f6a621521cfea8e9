#include "score_table.h"

#include <allegro.h>

#include "app/assets.h"
#include "app/keyboard.h"
#include "app/picture.h"
#include "app/screen_state.h"
#include "highscores.h"

namespace {

// The notice under the rows, in a panel like the name entry's.
const char *const kUnsavedNotice = "Not saved yet: tried again at exit";
const char *const kInMemoryNotice = "Not saved: kept for this run only";
const int kNoticeX1 = 144, kNoticeX2 = 480, kNoticeTextX = 160, kNoticeY = 430;

}  // namespace

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
   if (!highscores.unsaved())
      return;
   rectfill(backBuffer, kNoticeX1, kNoticeY - 4, kNoticeX2, kNoticeY + 10, makecol(kPanelFace));
   rect(backBuffer, kNoticeX1, kNoticeY - 4, kNoticeX2, kNoticeY + 10, makecol(kPanelInk));
   textprintf_ex(backBuffer, font, kNoticeTextX, kNoticeY, makecol(255, 255, 255), -1, "%s",
                 highscores.keptInMemory() ? kInMemoryNotice : kUnsavedNotice);
}
