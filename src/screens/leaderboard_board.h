// The leaderboard's best ten, opened from the table screen by L: drawn as
// the table is, the rows that this player's table holds (the same name
// and score) marked with the name entry's panel, and L or Esc going back
// to the table. The program fetches the rows on a thread of its own and
// hands them over between frames; the screen says "Loading..." until
// then, or why there are none.
#ifndef TOSSARO_SCREENS_LEADERBOARD_BOARD_H
#define TOSSARO_SCREENS_LEADERBOARD_BOARD_H

#include <cstdint>
#include <string>
#include <vector>

// One row as the leaderboard ranks it.
struct BoardRow {
   int64_t rank = 0;
   std::string name;
   int64_t score = 0;
};

// What the leaderboard answered.
struct Board {
   std::vector<BoardRow> rows;  // best first
   int64_t total = 0;  // the games it holds
   std::string problem;  // not empty: one line on why there are no rows
};

// Asks the program for the board, which comes back through showBoard;
// null while no leaderboard is set, and then L only says so.
extern void (*boardWanted)();

// The table screen's L: the board, loading afresh.
void openBoard();

// The board the program fetched.
void showBoard(const Board &board);

void updateBoard();
void drawBoard();

#endif
