// The rules of play and their replays on their own, built without the
// graphics library: a game played by its actions alone is recorded and
// plays the same again, games are values that play side by side, and a
// game's numbers are the C library's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <thread>

#include "game/game.h"
#include "replay/playback.h"
#include "replay/recorder.h"
#include "replay/replay_file.h"

namespace {

time_t fixedClock(time_t *)
{
   return 1733600000;
}

// A game played from its actions, with both hands worked in turns of a
// second and a half, until it is lost or a minute has gone.
Replay scriptedGame()
{
   Recorder recorder("9.8.7");
   Game game;
   game.listener = &recorder;
   game.clock = fixedClock;
   const ActionSet script[] = {
      0,
      1 << LeftPowerUp | 1 << RightTiltRight,
      1 << LeftTiltLeft | 1 << RightPowerUp,
      1 << LeftTiltRight,
      1 << LeftPowerDown | 1 << RightTiltLeft,
   };
   game.start(0, false);
   bool over = false;
   for (int tick = 0; tick < 6000 && !over; tick++)
      over = game.tick(script[tick / 150 % std::size(script)]).over;
   recorder.finish(game.score);
   return *recorder.finished();
}

TEST(RulesAlone, AGamePlayedByItsActionsPlaysTheSameAgain)
{
   const Replay recorded = scriptedGame();
   ASSERT_GT(recorded.ticks, 1000u);
   ASSERT_GT(recorded.finalScore, 0);

   const std::vector<unsigned char> bytes = encodeReplay(recorded);
   const ReplayReading reading = decodeReplay(bytes.data(), bytes.size());
   ASSERT_EQ(describeFault(reading), "");
   Playback playback(reading.replay);
   while (playback.step()) {
   }
   EXPECT_EQ(playback.divergence(), "");
   EXPECT_EQ(playback.tick(), recorded.ticks);
   EXPECT_EQ(playback.game().score, recorded.finalScore);
}

// Each game owns everything it plays with, its numbers included: two
// played a tick each in turn, or on two threads, both end as recorded,
// and neither changes a game played beside them.
TEST(RulesAlone, GamesPlaySideBySideWithoutTouchingEachOther)
{
   const Replay recorded = scriptedGame();
   Game bystander;
   bystander.clock = fixedClock;
   bystander.start(1 << LeftPowerUp, false);
   const uint32_t bystanderCheck = bystander.check();
   const int bystanderTargetX = bystander.targets[0].x;

   Playback first(recorded), second(recorded);
   // The second a few ticks behind, so that the two draw their numbers at
   // different moments.
   for (int i = 0; i < 37; i++)
      first.step();
   while (first.step() | second.step()) {
   }
   EXPECT_EQ(first.divergence(), "");
   EXPECT_EQ(second.divergence(), "");
   EXPECT_EQ(second.game().score, recorded.finalScore);
   EXPECT_EQ(bystander.check(), bystanderCheck);
   EXPECT_EQ(bystander.targets[0].x, bystanderTargetX);

   std::string drifts[4];
   std::vector<std::thread> checkers;
   for (std::string &drift : drifts)
      checkers.emplace_back([&drift, &recorded] {
         for (int k = 0; k < 3; k++)
            drift += verifyReplay(recorded);
      });
   for (std::thread &checker : checkers)
      checker.join();
   for (const std::string &drift : drifts)
      EXPECT_EQ(drift, "");
}

// Every recorded game depends on the numbers being exactly the C
// library's: srand(seed) and rand(), for any seed a clock can give.
TEST(RulesAlone, AGamesNumbersAreTheCLibrarysOwn)
{
   for (const uint32_t seed : {0u, 1u, 42u, 1733600000u, 2147483647u, 2147483648u, 4000000000u}) {
      srand(seed);
      GameRandom numbers(seed);
      int differ = 0;
      for (int draw = 0; draw < 1000000; draw++)
         differ += numbers.next() != rand();
      EXPECT_EQ(differ, 0) << "seed " << seed;
   }
   // Seeded again, a generator starts its sequence over.
   GameRandom numbers(99);
   const int first = numbers.next();
   numbers.next();
   numbers.reseed(99);
   EXPECT_EQ(numbers.next(), first);
}

}  // namespace
