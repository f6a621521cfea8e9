// The end of a game: one line on black until a key asks the table whether
// the score enters it.
#ifndef TOSSARO_SCORES_GAME_OVER_H
#define TOSSARO_SCORES_GAME_OVER_H

void updateGameOver();
void drawGameOver();

#endif
