// Sparks and score popups: their making, lives and removal.
#include <cstdlib>

#include "game/game.h"
#include "game/particle.h"
#include "game/text_fade.h"
#include "playfield_fixture.h"

namespace {

using Effects = PlayfieldTest;

TEST_F(Effects, SparksBurstWithinTheSquareFromFiveRandomNumbers)
{
   for (unsigned seed = 1; seed <= 500; seed++) {
      // The spin, the two speeds and their two signs, in order.
      srand(seed);
      const int numbers[6] = {rand(), rand(), rand(), rand(), rand(), rand()};
      srand(seed);
      const Particle spark(100, 200);
      ASSERT_EQ(rand(), numbers[5]) << seed;
      ASSERT_EQ(spark.angle, numbers[0] % 256) << seed;
      ASSERT_EQ(spark.vx, (numbers[3] % 2 ? 1 : -1) * float(numbers[1] % 100) / 100) << seed;
      ASSERT_EQ(spark.vy, (numbers[4] % 2 ? 1 : -1) * float(numbers[2] % 100) / 100) << seed;
      ASSERT_EQ(spark.alpha, 254);
      ASSERT_EQ(spark.drawX, 100);
      ASSERT_EQ(spark.drawY, 200);
   }
}

TEST_F(Effects, SparksFallLiveTwoHundredFiftyThreeTicksAndGoInOrder)
{
   spawnSparks(0, 0, 0);
   spawnSparks(-2, 0, 0);
   EXPECT_TRUE(sparks.empty());

   // Still, then falling about 0.01 n (n + 1) pixels in n ticks.
   spawnSparks(1, 300, 100);
   sparks[0].vx = sparks[0].vy = 0;
   sparks[0].angle = 0;
   for (int i = 0; i < 100; i++)
      updateSparks();
   EXPECT_NEAR(sparks[0].y, 201, 0.01);
   EXPECT_EQ(sparks[0].drawY, int(sparks[0].y));
   EXPECT_EQ(sparks[0].x, 300);
   EXPECT_EQ(sparks[0].angle, 157);

   // Bursts 100 and 150 ticks after the first spark: each goes whole on
   // its 253rd tick while the others live on.
   spawnSparks(3, 10, 10);
   for (int i = 0; i < 50; i++)
      updateSparks();
   spawnSparks(2, 20, 20);
   for (int i = 0; i < 102; i++)
      updateSparks();
   ASSERT_EQ(sparks.size(), 6u);
   updateSparks();
   ASSERT_EQ(sparks.size(), 5u);
   for (int i = 0; i < 99; i++)
      updateSparks();
   ASSERT_EQ(sparks.size(), 5u);
   updateSparks();
   ASSERT_EQ(sparks.size(), 2u);
   for (int i = 0; i < 49; i++)
      updateSparks();
   EXPECT_EQ(sparks[0].alpha, 2);
   updateSparks();
   EXPECT_TRUE(sparks.empty());
}

TEST_F(Effects, PopupsRiseFadeAndGoOneATick)
{
   TextFade popup(500, 100, 200);
   for (int i = 0; i < 254; i++)
      popup.update();
   EXPECT_FALSE(popup.isFinished());
   EXPECT_NEAR(popup.y, 200 - 0.4 * 254, 0.01);
   popup.update();
   EXPECT_TRUE(popup.isFinished());

   // Through the game's tick: two popups due in the same tick go in two.
   quietGame();
   popups.clear();
   popups.push_back(TextFade(1, 0, 0));
   popups.push_back(TextFade(2, 0, 0));
   popups.push_back(TextFade(3, 0, 0));
   popups[2].alpha = 10;
   ticks(254);
   ASSERT_EQ(popups.size(), 2u);
   EXPECT_EQ(popups[0].value, 1);
   ticks(1);
   ASSERT_EQ(popups.size(), 1u);
   // Not updated in the tick that removed the one before it.
   EXPECT_EQ(popups[0].value, 2);
   EXPECT_EQ(popups[0].alpha, 1);
   ticks(1);
   EXPECT_TRUE(popups.empty());
}

}  // namespace
