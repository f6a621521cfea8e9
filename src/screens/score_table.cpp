#include "screens/score_table.h"

#include <allegro.h>

#include <algorithm>

#include "files/say.h"
#include "game/ticks.h"
#include "scores/highscores.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

namespace {

// The notices under the rows, in panels like the name entry's.
const char *const kUnsavedNotice = "Not saved yet: tried again at exit";
const char *const kInMemoryNotice = "Not saved: kept for this run only";
const char *const kSavingNotice = "Saving...";
const int kNoticeX1 = 144, kNoticeX2 = 480, kNoticeTextX = 160, kNoticeY = 430;
const int kNoticeSpacing = 24;
const int kNumberX = 120, kNameX = 160, kScoreX = 420;
const int kFirstRowY = 120, kRowSpacing = 30;

const int kShownNoticeSeconds = 4;

// The notice shown for a while, and the ticks it has left.
std::string shownNotice;
int shownNoticeTicks = 0;

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

void drawTable(const Highscores &table)
{
   blit(texture, backBuffer, 0, 0, 0, 0, kGameWidth, kGameHeight);
   blit(titleScores, backBuffer, 0, 0, 0, 0, titleScores->w, titleScores->h);
   const int white = makecol(255, 255, 255);
   for (size_t i = 0; i < table.entries.size(); i++) {
      const int y = tableRowTop(int(i));
      textprintf_ex(backBuffer, font, kNumberX, y, white, -1, "%i. ", int(i) + 1);
      textprintf_ex(backBuffer, font, kNameX, y, white, -1, "%s", table.entries[i].name.c_str());
      textprintf_ex(backBuffer, font, kScoreX, y, white, -1, "%i", int(table.entries[i].score));
   }
}

int tableRowTop(int row)
{
   return kFirstRowY + kRowSpacing * row;
}

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

void showTableNotice(const std::string &text)
{
   shownNotice = text;
   shownNoticeTicks = kShownNoticeSeconds * kTicksPerSecond;
}

void updateScoreTable()
{
   if (shownNoticeTicks > 0)
      shownNoticeTicks--;
   if (inputDelay != 0)
      return;
   if (keys->held(KEY_ENTER) || keys->held(KEY_ESC) || keys->held(KEY_SPACE)) {
      screenState = Menu;
      inputDelay = kScreenChangeDelay;
   }
}

void drawScoreTable()
{
   drawTable(highscores);
   if (highscores.unsaved())
      drawTableNotice(0, savingTable()               ? kSavingNotice
                         : highscores.keptInMemory() ? kInMemoryNotice
                                                     : kUnsavedNotice);
   // Above the table's own notice and the replays', when they show.
   if (shownNoticeTicks > 0)
      drawTableNotice(highscores.unsaved() ? 2 : 0, shownNotice.c_str());
}

void drawTableNotice(int line, const char *text)
{
   const int y = kNoticeY - kNoticeSpacing * line;
   rectfill(backBuffer, kNoticeX1, y - 4, kNoticeX2, y + 10, makecol(kPanelFace));
   rect(backBuffer, kNoticeX1, y - 4, kNoticeX2, y + 10, makecol(kPanelInk));
   textprintf_ex(backBuffer, font, kNoticeTextX, y, makecol(255, 255, 255), -1, "%s", text);
}
