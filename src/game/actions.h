// What a player does in one tick of play, as the rules read it: the keys
// and the controller fill it, a replay stores it.
#ifndef TOSSARO_GAME_ACTIONS_H
#define TOSSARO_GAME_ACTIONS_H

#include <cstdint>

enum PlayAction {
   LeftTiltLeft,
   LeftTiltRight,
   LeftPowerUp,
   LeftPowerDown,
   RightTiltLeft,
   RightTiltRight,
   RightPowerUp,
   RightPowerDown,
   NewGame,
   OpenQuitPrompt,
   QuitGame,
   // Read on every screen, never by a game, so never in a replay.
   SavePicture,
   SaveClip,
   // Read by the play screen, never by a game.
   PauseGame,
   kPlayActions
};

// The actions a game reads, and a replay keeps: those before SavePicture.
const int kGameActions = SavePicture;

// Play actions held at once: bit `action` for each PlayAction held.
using ActionSet = uint16_t;

#endif
