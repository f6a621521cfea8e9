// The hands: which ball each follows, the jump under it, keeping apart,
// and the keys with their double steps and limits.
#include "game/game.h"
#include "playfield_fixture.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"

namespace {

using Hands = PlayfieldTest;

void placeBalls(std::initializer_list<std::pair<float, float>> at)
{
   played().balls.clear();
   for (const auto &p : at) {
      played().balls.push_back(Ball(0, 0, 10, kRedBallValue));
      played().balls.back().x = p.first;
      played().balls.back().y = p.second;
   }
}

void bothHands(int ticks)
{
   played().actions = heldActions();
   for (int i = 0; i < ticks; i++) {
      updateHand(played(), played().leftHand);
      updateHand(played(), played().rightHand);
   }
}

TEST_F(Hands, EachFollowsTheLowestBallOnItsHalf)
{
   // The midpoint of the centres 40 and 360 is 200; a ball on it is the
   // left hand's.
   placeBalls({{100, 300}, {200, 350}, {300, 200}, {500, 400}});
   updateHand(played(), played().leftHand);
   updateHand(played(), played().rightHand);
   EXPECT_EQ(played().leftHand.midX, 200);
   EXPECT_EQ(played().leftHand.trackedBall, 1);
   EXPECT_EQ(played().rightHand.trackedBall, 3);

   // Every ball above the top edge: nothing changes.
   played().leftHand = kLeftHandAtStart;
   played().leftHand.midX = 123;
   played().leftHand.trackedBall = 2;
   placeBalls({{100, -20}, {300, -11}, {200, -30}});
   updateHand(played(), played().leftHand);
   EXPECT_EQ(played().leftHand.midX, 123);
   EXPECT_EQ(played().leftHand.trackedBall, 2);
}

TEST_F(Hands, AHandJumpsUnderItsBallAndTheHandsKeepApart)
{
   // The ball's centre 5 pixels left of the left end (20): the hand moves
   // 5 pixels left, its left end under the ball.
   placeBalls({{15, 300}});
   updateHand(played(), played().leftHand);
   EXPECT_EQ(played().leftHand.centreX, 35);
   EXPECT_EQ(played().leftHand.x1, 15);
   EXPECT_EQ(played().leftHand.x2, 55);

   // A right hand reaching past the midpoint is pushed right by one pixel
   // in each hand's update: two a tick.
   played().leftHand = kLeftHandAtStart;
   played().rightHand = kRightHandAtStart;
   played().rightHand.x1 = 150;
   played().rightHand.x2 = 190;
   played().rightHand.centreX = 170;
   placeBalls({{100, -50}});
   played().leftHand.midX = played().rightHand.midX = 180;
   bothHands(1);
   EXPECT_EQ(played().rightHand.centreX, 172);
   EXPECT_EQ(played().leftHand.centreX, 40);
}

TEST_F(Hands, KeysStepTwiceATickWithinTheirLimits)
{
   placeBalls({{100, -50}});

   // A: 0.6 a tick; after 25 ticks a hair beyond -15, then refused.
   scripted.down = {KEY_A};
   bothHands(25);
   EXPECT_LE(played().leftHand.tilt, -15);
   EXPECT_GT(played().leftHand.tilt, -15.01);
   EXPECT_EQ(played().leftHand.y1, 475);
   EXPECT_EQ(played().leftHand.y2, 445);
   const float limit = played().leftHand.tilt;
   bothHands(3);
   EXPECT_EQ(played().leftHand.tilt, limit);
   EXPECT_EQ(played().rightHand.tilt, 0);

   // No key: the power decays from 2 to its floor in 5 ticks and stays.
   scripted.down.clear();
   played().leftHand.power = 2;
   bothHands(4);
   EXPECT_GT(played().leftHand.power, 1.83f);
   bothHands(1);
   EXPECT_GE(played().leftHand.power, 1.8f);
   EXPECT_LT(played().leftHand.power, 1.81f);
   const float floor = played().leftHand.power;
   bothHands(5);
   EXPECT_EQ(played().leftHand.power, floor);

   // Up: 0.14 up and 0.04 down a tick, a net 0.1, hovering below 5.5.
   scripted.down = {KEY_UP};
   played().rightHand.power = 2;
   bothHands(10);
   EXPECT_NEAR(played().rightHand.power, 3.0f, 0.001f);
   float highest = 0, lowest = 6;
   for (int i = 0; i < 100; i++) {
      bothHands(1);
      if (i >= 40) {
         highest = std::max(highest, played().rightHand.power);
         lowest = std::min(lowest, played().rightHand.power);
      }
   }
   EXPECT_LE(highest, 5.5f);
   EXPECT_GT(lowest, 5.35f);
   EXPECT_EQ(played().leftHand.power, floor);
}

}  // namespace
