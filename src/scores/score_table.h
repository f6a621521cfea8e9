// The high-score screen: the table with no row marked, until Enter, Esc
// or Space goes back to the menu.
#ifndef TOSSARO_SCORES_SCORE_TABLE_H
#define TOSSARO_SCORES_SCORE_TABLE_H

void updateScoreTable();

// The table of highscores.
void drawScoreTable();

#endif
