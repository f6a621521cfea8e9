#include "screens/attract.h"

#include <unistd.h>

#include "files/say.h"
#include "game/ticks.h"
#include "scores/highscores.h"
#include "screens/menu.h"
#include "screens/replay_keeping.h"
#include "screens/watching.h"
#include "shell/screen_state.h"

bool attractOn = true;
int attractTicks = kAttractSeconds * kTicksPerSecond;

namespace {

int quietTicks = 0;
int demosShown = 0;  // how many demos began: the next row in turn

// The next demo's file: the rows' replays in turn, or the last game.
std::string nextDemo()
{
   const ReplayShelf *shelf = replayShelf();
   if (!shelf)
      return std::string();
   std::vector<std::string> files;
   for (const std::string &file : shelf->filesOf(highscores.entries)) {
      if (!file.empty())
         files.push_back(file);
   }
   if (!files.empty())
      return files[size_t(demosShown++) % files.size()];
   return access(shelf->lastFile().c_str(), F_OK) == 0 ? shelf->lastFile() : std::string();
}

void startDemo()
{
   const std::string file = nextDemo();
   if (file.empty())
      return;
   std::string problem;
   const ReplayReading reading = readReplayFile(file, &problem);
   if (!problem.empty()) {
      say(problem);
      return;
   }
   watchReplay(reading.replay, file, Menu, true);
}

}  // namespace

void updateAttractMenu()
{
   updateMenu();
   // Held keys count: the menu never reads the key buffer, so what was
   // typed before stays there.
   if (screenState != Menu || !attractOn || anyKeyHeld()) {
      quietTicks = 0;
      return;
   }
   if (++quietTicks < attractTicks)
      return;
   quietTicks = 0;
   startDemo();
}
