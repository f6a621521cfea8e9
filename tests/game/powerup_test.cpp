// Targets: their random making, the colours each kind needs, and the wait
// of a partly cleared target.
#include "game/ball.h"
#include "game/powerup.h"
#include "playfield_fixture.h"

namespace {

using Targets = PlayfieldTest;

TEST_F(Targets, MadeFromFourRandomNumbersInsideTheBand)
{
   const int factorTimesTwo[7] = {2, 2, 2, 4, 4, 4, 7};
   int kinds[7] = {};
   for (unsigned seed = 1; seed <= 2000; seed++) {
      // The radius, x, y and kind take the next four numbers, in order.
      GameRandom oracle(seed), random(seed);
      const int numbers[5] = {oracle.next(), oracle.next(), oracle.next(), oracle.next(),
                              oracle.next()};
      const Powerup target(random);
      ASSERT_EQ(random.next(), numbers[4]) << seed;
      ASSERT_EQ(target.radius, 20 + numbers[0] % 30) << seed;
      ASSERT_EQ(target.x, 50 + target.radius + numbers[1] % (540 - 2 * target.radius)) << seed;
      ASSERT_EQ(target.y, 50 + target.radius + numbers[2] % (380 - target.radius)) << seed;
      ASSERT_EQ(target.kind, numbers[3] % 7) << seed;

      ASSERT_EQ(target.value, 10 * (70 - target.radius) * factorTimesTwo[target.kind] / 2);
      ASSERT_GE(target.y - target.radius, 50);
      ASSERT_LE(target.y, 429);
      ASSERT_LT(target.x + target.radius, 590);
      EXPECT_FALSE(target.flashing);
      EXPECT_EQ(target.countdown, -1);
      EXPECT_EQ(target.resetDelay, 500);
      kinds[target.kind]++;
   }
   for (int kind = 0; kind < 7; kind++)
      EXPECT_GT(kinds[kind], 200) << kind;
}

Powerup ofKind(int kind)
{
   GameRandom random;
   Powerup target(random);
   target.kind = kind;
   target.restoreColours();
   return target;
}

TEST_F(Targets, HitsClearRequiredColoursAndArmTheWait)
{
   const int red = kRedBallValue, green = kGreenBallValue, blue = kBlueBallValue;
   const struct {
      const char *what;
      int kind;
      std::vector<int> hits;
      bool cleared, flashing;
      int countdown;
   } cases[] = {
      {"one colour, its ball", 1, {green}, true, false, -1},
      {"one colour, another ball", 1, {red, blue}, false, false, -1},
      {"red and green, red", 3, {red}, false, true, 500},
      {"red and green, blue changes nothing", 3, {blue}, false, false, -1},
      {"red and green, both", 3, {red, green}, true, true, 500},
      {"all three, two of them", 6, {blue, red}, false, true, 500},
      {"all three, each", 6, {green, blue, red}, true, true, 500},
   };
   for (const auto &c : cases) {
      Powerup target = ofKind(c.kind);
      for (int colour : c.hits)
         target.hitBy(colour);
      EXPECT_EQ(target.isCleared(), c.cleared) << c.what;
      EXPECT_EQ(target.flashing, c.flashing) << c.what;
      EXPECT_EQ(target.countdown, c.countdown) << c.what;
   }
}

TEST_F(Targets, TheWaitRunsOutAndTheColoursComeBack)
{
   const int red = kRedBallValue, green = kGreenBallValue, blue = kBlueBallValue;
   Powerup target = ofKind(6);
   target.hitBy(red);
   for (int i = 0; i < 300; i++)
      target.update();
   // The second colour restarts the wait from the beginning.
   target.hitBy(green);
   EXPECT_EQ(target.countdown, 500);
   // A colour no longer required re-arms nothing.
   target.hitBy(green);
   for (int i = 0; i < 499; i++)
      target.update();
   EXPECT_TRUE(target.flashing);
   EXPECT_EQ(target.needRed + target.needGreen + target.needBlue, 1);
   target.update();
   EXPECT_FALSE(target.flashing);
   EXPECT_EQ(target.needRed + target.needGreen + target.needBlue, 3);

   // At 0 the colours are restored on every tick until a hit arms it.
   target.needBlue = 0;
   target.update();
   EXPECT_EQ(target.needBlue, 1);
   EXPECT_EQ(target.countdown, 0);
   target.hitBy(blue);
   EXPECT_EQ(target.countdown, 500);
   target.update();
   EXPECT_EQ(target.needBlue, 0);
}

}  // namespace
