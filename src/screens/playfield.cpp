#include "screens/playfield.h"

#include "screens/playfield_drawing.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

Game &playedGame()
{
   // The one game a player hears.
   static Game game = [] {
      Game played;
      played.heard = true;
      return played;
   }();
   return game;
}

void newGame()
{
   playedGame().start(heldActions(), false);
   screenState = Playing;
}

void updateGame()
{
   // The tick that sees the pause key leaves the game as it stands.
   if (keys->held(playKeys.keys[PauseGame]) && inputDelay == 0) {
      screenState = Paused;
      inputDelay = kScreenChangeDelay;
      return;
   }
   Game &game = playedGame();
   const PlayTick tick = game.tick(heldActions());
   if (tick.over) {
      screenState = GameOver;
      inputDelay = kScreenChangeDelay;
      keys->clearKeybuf();
   }
   if (tick.begunAnew)
      screenState = Playing;
   // Space and Q act whatever the input delay; Esc waits for it.
   if (game.held(OpenQuitPrompt) && inputDelay == 0) {
      inputDelay = kScreenChangeDelay;
      quitPromptRequested = true;
   }
   if (game.held(QuitGame))
      screenState = Exit;
}

void drawGame()
{
   drawPlayfield(playedGame());
}
