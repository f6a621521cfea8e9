// The playfield without a display: the real art loaded at 16 bits into
// memory bitmaps, a memory screen, scripted keys, and a fixed clock for
// the seed of each new game.
#ifndef TOSSARO_TESTS_PLAYFIELD_FIXTURE_H
#define TOSSARO_TESTS_PLAYFIELD_FIXTURE_H

#include "app/app_fixture.h"
#include "game/game.h"
#include "screens/playfield.h"

class PlayfieldTest : public AppTest {
protected:
   void SetUp() override;
   void TearDown() override;

   // A new game seeded with `seed`, its targets moved out of reach so
   // that nothing is collected unless a test places one.
   void quietGame(time_t seed = 1);
   // Runs n ticks of play.
   void ticks(int n);
};

// The game the playfield screen plays.
inline Game &played()
{
   return playedGame();
}

// The seed newGame takes from its clock.
extern time_t testSeed;

#endif
