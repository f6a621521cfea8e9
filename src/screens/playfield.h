// The playfield screen: the game in play, its tick read from the keys and
// its picture. The screen owns that game; the game-over screens read it
// once it has ended.
#ifndef TOSSARO_SCREENS_PLAYFIELD_H
#define TOSSARO_SCREENS_PLAYFIELD_H

#include "game/game.h"

// The game played from the keys, from the first game of the run to the
// last, kept after it ends. Changed by the ticks below (and its sparks by
// the name entry that may follow it); its listener set by the replay
// keeping.
Game &playedGame();

// Starts a fresh game with the keys held now and shows the playfield.
void newGame();

// One tick of play with the keys held now; then what the keys and the
// game ask of the screens: game over, a new game, the quit prompt (asked
// of the main loop), quitting.
void updateGame();

// One frame of the playfield into backBuffer.
void drawGame();

#endif
