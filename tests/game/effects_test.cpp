// Sparks and score popups: their making, lives and removal.
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
      GameRandom oracle(seed), random(seed);
      const int numbers[6] = {oracle.next(), oracle.next(), oracle.next(),
                              oracle.next(), oracle.next(), oracle.next()};
      const Particle spark(100, 200, random);
      ASSERT_EQ(random.next(), numbers[5]) << seed;
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
   GameRandom numbers;
   spawnSparks(played().sparks, numbers, 0, 0, 0);
   spawnSparks(played().sparks, numbers, -2, 0, 0);
   EXPECT_TRUE(played().sparks.empty());

   // Still, then falling about 0.01 n (n + 1) pixels in n ticks.
   spawnSparks(played().sparks, numbers, 1, 300, 100);
   played().sparks[0].vx = played().sparks[0].vy = 0;
   played().sparks[0].angle = 0;
   for (int i = 0; i < 100; i++)
      updateSparks(played().sparks);
   EXPECT_NEAR(played().sparks[0].y, 201, 0.01);
   EXPECT_EQ(played().sparks[0].drawY, int(played().sparks[0].y));
   EXPECT_EQ(played().sparks[0].x, 300);
   EXPECT_EQ(played().sparks[0].angle, 157);

   // Bursts 100 and 150 ticks after the first spark: each goes whole on
   // its 253rd tick while the others live on.
   spawnSparks(played().sparks, numbers, 3, 10, 10);
   for (int i = 0; i < 50; i++)
      updateSparks(played().sparks);
   spawnSparks(played().sparks, numbers, 2, 20, 20);
   for (int i = 0; i < 102; i++)
      updateSparks(played().sparks);
   ASSERT_EQ(played().sparks.size(), 6u);
   updateSparks(played().sparks);
   ASSERT_EQ(played().sparks.size(), 5u);
   for (int i = 0; i < 99; i++)
      updateSparks(played().sparks);
   ASSERT_EQ(played().sparks.size(), 5u);
   updateSparks(played().sparks);
   ASSERT_EQ(played().sparks.size(), 2u);
   for (int i = 0; i < 49; i++)
      updateSparks(played().sparks);
   EXPECT_EQ(played().sparks[0].alpha, 2);
   updateSparks(played().sparks);
   EXPECT_TRUE(played().sparks.empty());
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
   played().popups.clear();
   played().popups.push_back(TextFade(1, 0, 0));
   played().popups.push_back(TextFade(2, 0, 0));
   played().popups.push_back(TextFade(3, 0, 0));
   played().popups[2].alpha = 10;
   ticks(254);
   ASSERT_EQ(played().popups.size(), 2u);
   EXPECT_EQ(played().popups[0].value, 1);
   ticks(1);
   ASSERT_EQ(played().popups.size(), 1u);
   // Not updated in the tick that removed the one before it.
   EXPECT_EQ(played().popups[0].value, 2);
   EXPECT_EQ(played().popups[0].alpha, 1);
   ticks(1);
   EXPECT_TRUE(played().popups.empty());
}

}  // namespace
