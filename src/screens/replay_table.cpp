#include "screens/replay_table.h"

#include <allegro.h>

#include <string>

#include "audio/sound.h"
#include "files/say.h"
#include "scores/highscores.h"
#include "screens/leaderboard_board.h"
#include "screens/replay_keeping.h"
#include "screens/score_table.h"
#include "screens/watching.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

int chosenRow = -1;

namespace {

const int kMarkX = 100, kFrameX1 = 96, kFrameX2 = 500;

std::vector<std::string> rowFiles()
{
   const ReplayShelf *shelf = replayShelf();
   return shelf ? shelf->filesOf(highscores.entries) : std::vector<std::string>();
}

// The next row with a replay from `row` in the direction `step`, round
// the table; -1 when none has one.
int nextWithReplay(const std::vector<std::string> &files, int row, int step)
{
   const int n = int(files.size());
   for (int i = 1; i <= n; i++) {
      const int r = ((row + step * i) % n + n) % n;
      if (!files[size_t(r)].empty())
         return r;
   }
   return -1;
}

void watchChosen(const std::string &file)
{
   std::string problem;
   const ReplayReading reading = readReplayFile(file, &problem);
   if (!problem.empty()) {
      say(problem);
      return;
   }
   playSound(Cue::ChoiceMade);
   watchReplay(reading.replay, file, ScoreTable, false);
}

}  // namespace

void updateReplayTable()
{
   updateScoreTable();
   const std::vector<std::string> files = rowFiles();
   if (chosenRow < 0 || chosenRow >= int(files.size()) || files[size_t(chosenRow)].empty())
      chosenRow = nextWithReplay(files, -1, 1);
   if (screenState != ScoreTable || inputDelay != 0 || chosenRow < 0)
      return;
   if (keys->held(KEY_R)) {
      watchChosen(files[size_t(chosenRow)]);
      return;
   }
   if (keys->held(KEY_UP) || keys->held(KEY_DOWN)) {
      chosenRow = nextWithReplay(files, chosenRow, keys->held(KEY_UP) ? -1 : 1);
      playSound(Cue::CursorMoved);
      inputDelay = kCursorRepeatDelay;
   }
}

void drawReplayTable()
{
   drawScoreTable();
   const std::vector<std::string> files = rowFiles();
   const int white = makecol(255, 255, 255);
   bool any = false;
   for (int r = 0; r < int(files.size()); r++) {
      if (files[size_t(r)].empty())
         continue;
      any = true;
      // A play mark: a small triangle pointing right.
      const int y = tableRowTop(r);
      triangle(backBuffer, kMarkX, y, kMarkX, y + 7, kMarkX + 6, y + 3, white);
      if (r == chosenRow)
         rect(backBuffer, kFrameX1, y - 4, kFrameX2, y + 11, white);
   }
   // The keys that do something here, L only where a leaderboard is set.
   std::string hint = any ? "Up/Down choose a replay, R watches it" : "";
   if (boardWanted)
      hint += any ? ", L the leaderboard" : "L: the leaderboard's best";
   if (!hint.empty())
      drawTableHint(hint.c_str());
   if (replaysUnwritten())
      drawTableNotice(1, "Replay not kept: cannot write replays/");
}
