#include "screens/replay_keeping.h"

#include <memory>
#include <optional>

#include "files/paths.h"
#include "files/say.h"
#include "replay/recorder.h"
#include "scores/highscores.h"
#include "screens/name_entry.h"
#include "screens/playfield.h"

namespace {

std::unique_ptr<Recorder> recorder;
std::unique_ptr<ReplayShelf> shelf;
std::optional<Replay> lastGame;  // the last game left, until its row is stored or another is left
bool lastWritten = false;  // lastGame is in last.rpl
bool nameStored = false;  // a name was stored for the last game
bool unwritten = false;  // the last replay written failed

// What the files just written came to: each failure is said.
void report(std::initializer_list<std::string> problems)
{
   unwritten = false;
   for (const std::string &problem : problems) {
      if (!problem.empty())
         say(problem);
      unwritten = unwritten || !problem.empty();
   }
}

}  // namespace

void (*rowReplayKept)(const Replay &replay) = nullptr;

void startKeepingReplays()
{
   recorder = std::make_unique<Recorder>(TOSSARO_VERSION);
   playedGame().listener = recorder.get();
   shelf.reset();
   unwritten = false;
   // Rows left out before the shelf stood are not its to answer for.
   highscores.takeLeftOut();
   if (highscores.keptInMemory())
      return;
   shelf = std::make_unique<ReplayShelf>(folder_of(highscores.file) + "/replays",
                                         name_of(highscores.file));
}

void noteTick(ScreenState before)
{
   if (before == NameEntry && screenState == ScoreTable)
      nameStored = true;
}

void keepReplays()
{
   if (!recorder)
      return;
   if (recorder->recording() && screenState != Playing && screenState != QuitPrompt &&
       screenState != Paused)
      recorder->finish(playedGame().score);
   if (recorder->finished()) {
      lastGame = std::move(recorder->finished());
      recorder->finished().reset();
      lastWritten = false;
   }
   if (recorder->recording() || !shelf)
      return;
   if (lastGame && !lastWritten) {
      report({shelf->keepLast(*lastGame)});
      lastWritten = true;
   }
   if (nameStored) {
      if (lastGame && lastGame->finalScore == playedGame().score) {
         // last.rpl too carries the name, so that it can be sent as it is.
         lastGame->name = playerName;
         report({shelf->keepRow(*lastGame), shelf->keepLast(*lastGame)});
         if (rowReplayKept)
            rowReplayKept(*lastGame);
      }
      lastGame.reset();
      nameStored = false;
   }
   const std::vector<HighscoreEntry> leftOut = highscores.takeLeftOut();
   if (!leftOut.empty())
      shelf->prune(highscores.entries, leftOut);
}

void stopKeepingReplays()
{
   if (recorder)
      recorder->finish(playedGame().score);
   keepReplays();
   playedGame().listener = nullptr;
   recorder.reset();
}

std::optional<Replay> gameSoFar()
{
   if (!recorder || !recorder->recording())
      return std::nullopt;
   return recorder->soFar(playedGame().score);
}

const ReplayShelf *replayShelf()
{
   return shelf.get();
}

bool replaysUnwritten()
{
   return unwritten;
}
