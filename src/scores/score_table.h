// The high-score screen: the table with no row marked, until Enter, Esc
// or Space goes back to the menu.
#ifndef TOSSARO_SCORES_SCORE_TABLE_H
#define TOSSARO_SCORES_SCORE_TABLE_H

void updateScoreTable();

// The table of highscores, and under it a notice while rows entered in
// this run wait for a save that failed.
void drawScoreTable();

#endif
