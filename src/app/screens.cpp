#include "screens.h"

#include "attract.h"
#include "intro.h"
#include "menu.h"
#include "quit_prompt.h"
#include "replay_table.h"
#include "scores/game_over.h"
#include "scores/name_entry.h"
#include "screen_state.h"
#include "screens/playfield.h"
#include "watching.h"

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
   {NameEntry, {updateNameEntry, drawNameEntry}},
   {GameOver, {updateGameOver, drawGameOver}},
   {Watching, {updateWatching, drawWatching}},
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
