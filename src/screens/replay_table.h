// The high-score screen with the replays kept beside the table: the rows
// that have one are marked, Up and Down choose one, R (the controller's
// X) watches it and comes back to the table. Enter, Space and Esc go back
// to the menu, as on the plain table.
#ifndef TOSSARO_SCREENS_REPLAY_TABLE_H
#define TOSSARO_SCREENS_REPLAY_TABLE_H

// The row whose replay R watches; -1 for none. Kept while the table
// shows, moved by Up and Down.
extern int chosenRow;

void updateReplayTable();
void drawReplayTable();

#endif
