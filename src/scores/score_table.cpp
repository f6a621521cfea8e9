#include "score_table.h"

#include <allegro.h>

#include <algorithm>

#include "app/assets.h"
#include "app/keyboard.h"
#include "app/picture.h"
#include "app/screen_state.h"
#include "files/say.h"
#include "highscores.h"

namespace {

// The notices under the rows, in panels like the name entry's.
const char *const kUnsavedNotice = "Not saved yet: tried again at exit";
const char *const kInMemoryNotice = "Not saved: kept for this run only";
const char *const kSavingNotice = "Saving...";
const int kNoticeX1 = 144, kNoticeX2 = 480, kNoticeTextX = 160, kNoticeY = 430;
const int kNoticeSpacing = 24;
const int kTicksPerSecond = 100;

// The tries left to a save that waits for the lock; 0 when none waits.
int savingTries = 0;

void trySaving()
{
   const std::string problem = highscores.trySave();
   if (!problem.empty() && highscores.lockedOut() && --savingTries > 0)
      return;
   savingTries = 0;
   if (!problem.empty())
      say(problem);
}

}  // namespace

void saveTable()
{
   savingTries = std::max(1, int(highscores.lockWait * kTicksPerSecond));
   trySaving();
}

void continueSavingTable()
{
   if (savingTries > 0)
      trySaving();
}

bool savingTable()
{
   return savingTries > 0;
}

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
   if (highscores.unsaved())
      drawTableNotice(0, savingTable()               ? kSavingNotice
                         : highscores.keptInMemory() ? kInMemoryNotice
                                                     : kUnsavedNotice);
}

void drawTableNotice(int line, const char *text)
{
   const int y = kNoticeY - kNoticeSpacing * line;
   rectfill(backBuffer, kNoticeX1, y - 4, kNoticeX2, y + 10, makecol(kPanelFace));
   rect(backBuffer, kNoticeX1, y - 4, kNoticeX2, y + 10, makecol(kPanelInk));
   textprintf_ex(backBuffer, font, kNoticeTextX, y, makecol(255, 255, 255), -1, "%s", text);
}
