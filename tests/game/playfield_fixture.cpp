#include "playfield_fixture.h"

#include <unistd.h>

#include "game/game.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/screen_state.h"

time_t testSeed = 1;

namespace {

time_t fixedClock(time_t *)
{
   return testSeed;
}

}  // namespace

void PlayfieldTest::SetUp()
{
   useMemoryScreenAndScriptedKeys();
   char here[4096];
   ASSERT_NE(getcwd(here, sizeof here), nullptr);
   ASSERT_EQ(chdir(TOSSARO_SOURCE_DIR), 0);
   const std::string problem = loadAssets();
   ASSERT_EQ(chdir(here), 0);
   ASSERT_EQ(problem, "");
   // The playfield's own game, as a run of the program begins it.
   Game &game = playedGame();
   game.clock = fixedClock;
   game.leftHand = kLeftHandAtStart;
   game.rightHand = kRightHandAtStart;
   game.popups.clear();
   game.sparks.clear();
   screenState = Menu;
   inputDelay = 0;
}

void PlayfieldTest::TearDown()
{
   freeAssets();
   restoreScreenAndKeys();
   playedGame().clock = time;
}

void PlayfieldTest::quietGame(time_t seed)
{
   testSeed = seed;
   newGame();
   for (Powerup &target : playedGame().targets)
      target.x = -1000;
}

void PlayfieldTest::ticks(int n)
{
   for (int i = 0; i < n; i++) {
      if (inputDelay > 0)
         inputDelay--;
      updateGame();
   }
}
