// The playfield screen: a game in play, its tick read from the keys and
// its picture.
#ifndef TOSSARO_SCREENS_PLAYFIELD_H
#define TOSSARO_SCREENS_PLAYFIELD_H

// Starts a fresh game with the keys held now and shows the playfield.
void newGame();

// One tick of play with the keys held now; then what the keys and the
// game ask of the screens: game over, a new game, the quit prompt (asked
// of the main loop), quitting.
void updateGame();

// One frame of the playfield into backBuffer.
void drawGame();

#endif
