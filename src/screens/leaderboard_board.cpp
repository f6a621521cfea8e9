#include "screens/leaderboard_board.h"

#include <allegro.h>

#include <algorithm>

#include "scores/highscores.h"
#include "screens/score_table.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

void (*boardWanted)() = nullptr;

namespace {

const int kHeadingY = 98;
// The names' column ends a blank before the scores' begins.
const int kNameWidth = 248;

bool loading = false;
Board shown;

// Whether this player's table holds the row: the game sent from it.
bool isMine(const BoardRow &row)
{
   return std::any_of(
      highscores.entries.begin(), highscores.entries.end(),
      [&](const HighscoreEntry &e) { return e.name == row.name && e.score == row.score; });
}

// A name cut to its column, at a character's end.
std::string fitted(std::string name)
{
   while (!name.empty() && text_length(font, name.c_str()) > kNameWidth) {
      while ((name.back() & 0xC0) == 0x80)
         name.pop_back();
      name.pop_back();
   }
   return name;
}

std::string heading()
{
   if (loading || !shown.problem.empty())
      return "Leaderboard";
   return "Leaderboard: " + std::to_string(shown.total) + (shown.total == 1 ? " game" : " games");
}

}  // namespace

void openBoard()
{
   screenState = Leaderboard;
   loading = true;
   boardWanted();
}

void showBoard(const Board &board)
{
   shown = board;
   loading = false;
}

void updateBoard()
{
   if (inputDelay == 0 && (keys->held(KEY_L) || keys->held(KEY_ESC))) {
      screenState = ScoreTable;
      inputDelay = kScreenChangeDelay;
   }
}

void drawBoard()
{
   drawTableBackdrop();
   const int white = makecol(255, 255, 255);
   textout_centre_ex(backBuffer, font, heading().c_str(), kGameWidth / 2, kHeadingY, white, -1);
   drawTableHint("L or Esc: back to your table");
   if (loading) {
      drawTableNotice(0, "Loading...");
      return;
   }
   if (!shown.problem.empty()) {
      drawTableNotice(0, ("Leaderboard: " + shown.problem).c_str());
      return;
   }
   if (shown.rows.empty())
      drawTableNotice(0, "No game on the leaderboard yet");
   for (size_t i = 0; i < shown.rows.size() && i < size_t(Highscores::kRows); i++) {
      const BoardRow &row = shown.rows[i];
      if (isMine(row))
         drawPanel(tableRowTop(int(i)));
      drawTableRow(int(i), row.rank, fitted(row.name), row.score);
   }
}
