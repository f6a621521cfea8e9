#include "screens/score_table.h"

#include <allegro.h>

#include <algorithm>

#include "files/say.h"
#include "game/ticks.h"
#include "scores/highscores.h"
#include "screens/leaderboard_board.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

namespace {

// The notices under the rows, in panels like the name entry's.
const char *const kUnsavedNotice = "Not saved yet: tried again at exit";
const char *const kInMemoryNotice = "Not saved: kept for this run only";
const char *const kSavingNotice = "Saving...";
const char *const kNoBoardNotice = "No leaderboard set";
const int kPanelX1 = 144, kPanelX2 = 480, kPanelTextX = 160, kPanelMargin = 16;
const int kNoticeY = 430, kNoticeSpacing = 24;
const int kNumberX = 120, kNameX = 160;
const int kFirstRowY = 120, kRowSpacing = 30;
const int kHintX = 160, kHintY = 456;

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

void drawTableBackdrop()
{
   blit(texture, backBuffer, 0, 0, 0, 0, kGameWidth, kGameHeight);
   blit(titleScores, backBuffer, 0, 0, 0, 0, titleScores->w, titleScores->h);
}

void drawTableRow(int row, int64_t place, const std::string &name, int64_t score)
{
   const int y = tableRowTop(row), white = makecol(255, 255, 255);
   textprintf_ex(backBuffer, font, kNumberX, y, white, -1, "%lld. ", static_cast<long long>(place));
   textprintf_ex(backBuffer, font, kNameX, y, white, -1, "%s", name.c_str());
   textprintf_ex(backBuffer, font, kTableScoreX, y, white, -1, "%lld",
                 static_cast<long long>(score));
}

void drawTable(const Highscores &table)
{
   drawTableBackdrop();
   for (size_t i = 0; i < table.entries.size(); i++)
      drawTableRow(int(i), int64_t(i) + 1, table.entries[i].name, table.entries[i].score);
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
   } else if (keys->held(KEY_L)) {
      if (boardWanted)
         openBoard();
      else
         showTableNotice(kNoBoardNotice);
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

void drawTableHint(const char *text)
{
   textout_ex(backBuffer, font, text, kHintX, kHintY, makecol(255, 255, 255), -1);
}

void drawPanel(int y, int textWidth)
{
   // A line longer than the panel widens it, as far as the window goes.
   const int x2 = std::min(kGameWidth - 1 - kPanelMargin,
                           std::max(kPanelX2, kPanelTextX + textWidth + kPanelMargin));
   rectfill(backBuffer, kPanelX1, y - 4, x2, y + 10, makecol(kPanelFace));
   rect(backBuffer, kPanelX1, y - 4, x2, y + 10, makecol(kPanelInk));
}

void drawTableNotice(int line, const char *text)
{
   const int y = kNoticeY - kNoticeSpacing * line;
   drawPanel(y, text_length(font, text));
   textprintf_ex(backBuffer, font, kPanelTextX, y, makecol(255, 255, 255), -1, "%s", text);
}
