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
   balls.clear();
   for (const auto &p : at) {
      balls.push_back(Ball(0, 0, 10, kRedBallValue));
      balls.back().x = p.first;
      balls.back().y = p.second;
   }
}

void bothHands(int ticks)
{
   playActions = heldActions();
   for (int i = 0; i < ticks; i++) {
      updateHand(leftHand);
      updateHand(rightHand);
   }
}

TEST_F(Hands, EachFollowsTheLowestBallOnItsHalf)
{
   // The midpoint of the centres 40 and 360 is 200; a ball on it is the
   // left hand's.
   placeBalls({{100, 300}, {200, 350}, {300, 200}, {500, 400}});
   updateHand(leftHand);
   updateHand(rightHand);
   EXPECT_EQ(leftHand.midX, 200);
   EXPECT_EQ(leftHand.trackedBall, 1);
   EXPECT_EQ(rightHand.trackedBall, 3);

   // Every ball above the top edge: nothing changes.
   leftHand = kLeftHandAtStart;
   leftHand.midX = 123;
   leftHand.trackedBall = 2;
   placeBalls({{100, -20}, {300, -11}, {200, -30}});
   updateHand(leftHand);
   EXPECT_EQ(leftHand.midX, 123);
   EXPECT_EQ(leftHand.trackedBall, 2);
}

TEST_F(Hands, AHandJumpsUnderItsBallAndTheHandsKeepApart)
{
   // The ball's centre 5 pixels left of the left end (20): the hand moves
   // 5 pixels left, its left end under the ball.
   placeBalls({{15, 300}});
   updateHand(leftHand);
   EXPECT_EQ(leftHand.centreX, 35);
   EXPECT_EQ(leftHand.x1, 15);
   EXPECT_EQ(leftHand.x2, 55);

   // A right hand reaching past the midpoint is pushed right by one pixel
   // in each hand's update: two a tick.
   leftHand = kLeftHandAtStart;
   rightHand = kRightHandAtStart;
   rightHand.x1 = 150;
   rightHand.x2 = 190;
   rightHand.centreX = 170;
   placeBalls({{100, -50}});
   leftHand.midX = rightHand.midX = 180;
   bothHands(1);
   EXPECT_EQ(rightHand.centreX, 172);
   EXPECT_EQ(leftHand.centreX, 40);
}

TEST_F(Hands, KeysStepTwiceATickWithinTheirLimits)
{
   placeBalls({{100, -50}});

   // A: 0.6 a tick; after 25 ticks a hair beyond -15, then refused.
   scripted.down = {KEY_A};
   bothHands(25);
   EXPECT_LE(leftHand.tilt, -15);
   EXPECT_GT(leftHand.tilt, -15.01);
   EXPECT_EQ(leftHand.y1, 475);
   EXPECT_EQ(leftHand.y2, 445);
   const float limit = leftHand.tilt;
   bothHands(3);
   EXPECT_EQ(leftHand.tilt, limit);
   EXPECT_EQ(rightHand.tilt, 0);

   // No key: the power decays from 2 to its floor in 5 ticks and stays.
   scripted.down.clear();
   leftHand.power = 2;
   bothHands(4);
   EXPECT_GT(leftHand.power, 1.83f);
   bothHands(1);
   EXPECT_GE(leftHand.power, 1.8f);
   EXPECT_LT(leftHand.power, 1.81f);
   const float floor = leftHand.power;
   bothHands(5);
   EXPECT_EQ(leftHand.power, floor);

   // Up: 0.14 up and 0.04 down a tick, a net 0.1, hovering below 5.5.
   scripted.down = {KEY_UP};
   rightHand.power = 2;
   bothHands(10);
   EXPECT_NEAR(rightHand.power, 3.0f, 0.001f);
   float highest = 0, lowest = 6;
   for (int i = 0; i < 100; i++) {
      bothHands(1);
      if (i >= 40) {
         highest = std::max(highest, rightHand.power);
         lowest = std::min(lowest, rightHand.power);
      }
   }
   EXPECT_LE(highest, 5.5f);
   EXPECT_GT(lowest, 5.35f);
   EXPECT_EQ(leftHand.power, floor);
}

}  // namespace
