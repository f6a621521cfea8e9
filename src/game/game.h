// One game, from set-up to game over.
#ifndef TOSSARO_GAME_GAME_H
#define TOSSARO_GAME_GAME_H

// Starts a fresh game and shows the playfield.
void newGame();

#endif
