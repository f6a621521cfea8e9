// The end of a game: one line on black until a key asks the table whether
// the score enters it.
#ifndef TOSSARO_SCREENS_GAME_OVER_H
#define TOSSARO_SCREENS_GAME_OVER_H

void updateGameOver();
void drawGameOver();

#endif
