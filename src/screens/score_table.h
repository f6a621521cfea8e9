// The high-score screen: the table with no row marked, until Enter, Esc
// or Space goes back to the menu; L shows the leaderboard's best (or says
// that none is set).
#ifndef TOSSARO_SCREENS_SCORE_TABLE_H
#define TOSSARO_SCREENS_SCORE_TABLE_H

#include <cstdint>
#include <string>

#include "scores/highscores.h"

void updateScoreTable();

// The table's picture: backdrop, title and the ten rows.
void drawTable(const Highscores &table);
// Its backdrop and title alone.
void drawTableBackdrop();
// One row's line: its place, name and score.
void drawTableRow(int row, int64_t place, const std::string &name, int64_t score);

// The top of row `row`'s line of text in the table's picture.
int tableRowTop(int row);
// Where a row's score begins.
const int kTableScoreX = 420;

// The table of highscores, and under it a notice while rows entered in
// this run wait for a save: "Saving..." while the save waits for the
// lock, then why they are not saved yet.
void drawScoreTable();

// A notice under the table's rows, in a panel like the name entry's: line
// 0 the table's own, line 1 the one above it.
void drawTableNotice(int line, const char *text);

// The line at the foot of the screen saying what a key does there.
void drawTableHint(const char *text);
// That panel behind the line of text whose top is `y`, from left of the
// names to past the scores, longer for a line of `textWidth` that needs it.
void drawPanel(int y, int textWidth = 0);

// A notice under the table for a few seconds of the table screen: the
// leaderboard's answer.
void showTableNotice(const std::string &text);

// Saves the program's table once a name is stored, never holding a tick:
// while another copy of the game holds the lock, the save is tried again
// at each tick, for as long as a save at exit would wait for it; then the
// failure is said, and the rows wait for the save at exit.
void saveTable();
// Each tick: the next try of a save that waits for the lock.
void continueSavingTable();
// Whether a save waits for the lock.
bool savingTable();

#endif
