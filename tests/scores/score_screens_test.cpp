// The screens after a game: game over, the name entry and the table.
#include "app_fixture.h"
#include "highscores.h"
#include "score_table.h"
#include "screen_state.h"

namespace {

using ScoreScreens = AppTest;

TEST_F(ScoreScreens, TheTableGoesBackToTheMenuOnEnterEscOrSpace)
{
   const struct {
      std::set<int> down;
      int delay;
      int state;
   } cases[] = {{{KEY_ENTER}, 0, Menu}, {{KEY_ESC}, 0, Menu}, {{KEY_SPACE}, 0, Menu},
                {{KEY_P, KEY_H}, 0, ScoreTable}, {{KEY_ENTER}, 1, ScoreTable}};
   for (const auto &c : cases) {
      scripted.down = c.down;
      screenState = ScoreTable;
      inputDelay = c.delay;
      updateScoreTable();
      EXPECT_EQ(screenState, c.state);
      EXPECT_EQ(inputDelay, c.state == Menu ? 50 : c.delay);
   }
}

}  // namespace
