// The rules of play and their replays on their own, built without the
// graphics library: a game played by its actions alone is recorded, plays
// the same again, and watching it leaves the game in memory as it was.
#include <gtest/gtest.h>

#include <ctime>

#include "game/game.h"
#include "replay/playback.h"
#include "replay/recorder.h"
#include "replay/replay_file.h"

namespace {

time_t fixedClock(time_t *)
{
   return 1733600000;
}

// Every field of two games' states, by name, so that a failure says which.
void expectSameGame(const GameState &a, const GameState &b)
{
   EXPECT_EQ(a.score, b.score);
   EXPECT_EQ(a.hitTimer, b.hitTimer);
   EXPECT_EQ(a.energy, b.energy);
   EXPECT_EQ(a.handsOff, b.handsOff);
   EXPECT_EQ(a.playActions, b.playActions);
   ASSERT_EQ(a.balls.size(), b.balls.size());
   for (size_t i = 0; i < a.balls.size(); i++) {
      const Ball &p = a.balls[i], &q = b.balls[i];
      EXPECT_TRUE(p.x == q.x && p.y == q.y && p.vx == q.vx && p.vy == q.vy &&
                  p.colour == q.colour && p.radius == q.radius)
         << "ball " << i;
   }
   ASSERT_EQ(a.targets.size(), b.targets.size());
   for (size_t i = 0; i < a.targets.size(); i++) {
      const Powerup &p = a.targets[i], &q = b.targets[i];
      EXPECT_TRUE(p.x == q.x && p.y == q.y && p.radius == q.radius && p.kind == q.kind &&
                  p.value == q.value && p.needRed == q.needRed && p.needGreen == q.needGreen &&
                  p.needBlue == q.needBlue && p.flashing == q.flashing &&
                  p.countdown == q.countdown)
         << "target " << i;
   }
   ASSERT_EQ(a.popups.size(), b.popups.size());
   for (size_t i = 0; i < a.popups.size(); i++)
      EXPECT_TRUE(a.popups[i].y == b.popups[i].y && a.popups[i].alpha == b.popups[i].alpha);
   ASSERT_EQ(a.sparks.size(), b.sparks.size());
   for (size_t i = 0; i < a.sparks.size(); i++)
      EXPECT_TRUE(a.sparks[i].x == b.sparks[i].x && a.sparks[i].alpha == b.sparks[i].alpha);
   for (const auto &[p, q] : {std::pair{a.leftHand, b.leftHand}, {a.rightHand, b.rightHand}}) {
      EXPECT_TRUE(p.x1 == q.x1 && p.y1 == q.y1 && p.x2 == q.x2 && p.y2 == q.y2 &&
                  p.centreX == q.centreX && p.tilt == q.tilt && p.trackedBall == q.trackedBall &&
                  p.power == q.power && p.midX == q.midX);
   }
}

TEST(RulesAlone, AGamePlayedByItsActionsPlaysTheSameAgainAndWatchingItChangesNothing)
{
   Recorder recorder("9.8.7");
   playListener = &recorder;
   gameClock = fixedClock;
   // Both hands worked in turns of a second and a half, until the game
   // is lost or a minute has gone.
   const ActionSet script[] = {
      0,
      1 << LeftPowerUp | 1 << RightTiltRight,
      1 << LeftTiltLeft | 1 << RightPowerUp,
      1 << LeftTiltRight,
      1 << LeftPowerDown | 1 << RightTiltLeft,
   };
   startGame(0, false);
   bool over = false;
   for (int tick = 0; tick < 6000 && !over; tick++)
      over = playTick(script[tick / 150 % std::size(script)]).over;
   recorder.finish();
   playListener = nullptr;
   gameClock = time;
   const Replay recorded = *recorder.finished();
   ASSERT_GT(recorded.ticks, 1000u);

   // Some state the replay does not start from: a game half played, with
   // sparks and popups in the air.
   playTick(1 << LeftPowerUp);
   spawnSparks(4, 100, 100);
   popups.push_back(TextFade(70, 50, 60));
   const GameState before = saveGame();

   const std::vector<unsigned char> bytes = encodeReplay(recorded);
   const ReplayReading reading = decodeReplay(bytes.data(), bytes.size());
   ASSERT_EQ(describeFault(reading), "");
   Playback playback(reading.replay);
   while (playback.step()) {
   }
   EXPECT_EQ(playback.divergence(), "");
   EXPECT_EQ(playback.tick(), recorded.ticks);
   EXPECT_EQ(score, recorded.finalScore);

   restoreGame(before);
   expectSameGame(saveGame(), before);
}

}  // namespace
