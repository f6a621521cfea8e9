#include "screens/screens.h"

#include "screens/attract.h"
#include "screens/game_over.h"
#include "screens/how_to_play.h"
#include "screens/intro.h"
#include "screens/leaderboard_board.h"
#include "screens/menu.h"
#include "screens/name_entry.h"
#include "screens/pause.h"
#include "screens/playfield.h"
#include "screens/quit_prompt.h"
#include "screens/replay_table.h"
#include "screens/watching.h"
#include "shell/screen_state.h"

namespace {

// One row per state that has routines; a new screen is one more row.
const struct {
   ScreenState state;
   ScreenRoutines routines;
} kScreens[] = {
   {Intro, {updateIntro, drawIntro}},
   {Menu, {updateAttractMenu, drawMenu}},
   {ScoreTable, {updateReplayTable, drawReplayTable}},
   {Playing, {updateGame, drawGame}},
   {QuitPrompt, {updateQuitPrompt, drawQuitPrompt}},
   {Paused, {updatePause, drawPause}},
   {HowToPlay, {updateHowToPlay, drawHowToPlay}},
   {NameEntry, {updateNameEntry, drawNameEntry}},
   {GameOver, {updateGameOver, drawGameOver}},
   {Watching, {updateWatching, drawWatching}},
   {Leaderboard, {updateBoard, drawBoard}},
};

}  // namespace

ScreenRoutines routinesOf(ScreenState state)
{
   for (const auto &screen : kScreens) {
      if (screen.state == state)
         return screen.routines;
   }
   return {nullptr, nullptr};
}
