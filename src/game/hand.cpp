#include "game/hand.h"

#include "game/game.h"

namespace {

const int kHalfWidth = 20;
const int kRestY = 460;
const float kTiltLimit = 15;
const float kTiltStep = 0.3f;
const float kPowerMin = 1.8f, kPowerMax = 5.5f;
const float kPowerStep = 0.07f;
const float kPowerDecay = 0.04f;

// The actions of one hand.
struct HandActions {
   Hand *hand;
   PlayAction tiltDown, tiltUp, powerUp, powerDown;
};

void tilt(Hand &hand, float step)
{
   const bool inside = step < 0 ? hand.tilt > -kTiltLimit : hand.tilt < kTiltLimit;
   if (inside)
      hand.tilt += step;
   // The ends follow the tilt whenever a tilt key is held, stepped or not.
   hand.y1 = kRestY - int(hand.tilt);
   hand.y2 = kRestY + int(hand.tilt);
}

void addPower(Hand &hand, float step)
{
   const float p = hand.power + step;
   if (p >= kPowerMin && p <= kPowerMax)
      hand.power = p;
}

// 1. The lowest ball on the hand's half becomes its tracked ball.
void chooseBall(Hand &hand)
{
   const int m = (leftHand.centreX + rightHand.centreX) / 2;
   int best = 0;
   for (int i = 0; i < int(balls.size()); i++) {
      const Ball &ball = balls[i];
      if (ball.y + ball.radius > best) {
         hand.midX = m;
         // A ball exactly on the midpoint belongs to the left half.
         const bool onHalf = &hand == &leftHand ? ball.x <= hand.midX : ball.x > hand.midX;
         if (onHalf) {
            hand.trackedBall = i;
            best = int(ball.y + ball.radius);
         }
      }
   }
}

// 2. The hand jumps so that its end comes under a ball reaching past it.
void followBall(Hand &hand)
{
   if (hand.trackedBall < 0 || hand.trackedBall >= int(balls.size()))
      return;
   const Ball &ball = balls[hand.trackedBall];
   const int x1 = hand.x1, x2 = hand.x2;
   if (x1 > ball.x - ball.radius)
      hand.centreX = int(hand.centreX - (x1 - ball.x));
   if (ball.x + ball.radius > x2)
      hand.centreX = int(ball.x - x2 + hand.centreX);
}

// 3. Both hands step back from the midpoint this hand found, in either
// hand's update.
void keepApart(const Hand &hand)
{
   if (leftHand.x2 > hand.midX)
      leftHand.centreX--;
   if (rightHand.x1 < hand.midX)
      rightHand.centreX++;
}

// 5. Every held action acts in every hand's update, on its own hand.
void readActions()
{
   const HandActions handActions[] = {
      {&leftHand, LeftTiltLeft, LeftTiltRight, LeftPowerUp, LeftPowerDown},
      {&rightHand, RightTiltLeft, RightTiltRight, RightPowerUp, RightPowerDown},
   };
   for (const HandActions &a : handActions) {
      if (actionHeld(a.tiltDown))
         tilt(*a.hand, -kTiltStep);
      if (actionHeld(a.tiltUp))
         tilt(*a.hand, kTiltStep);
   }
   for (const HandActions &a : handActions) {
      if (actionHeld(a.powerUp))
         addPower(*a.hand, kPowerStep);
      if (actionHeld(a.powerDown))
         addPower(*a.hand, -kPowerStep);
   }
}

}  // namespace

Hand leftHand = {20, kRestY, 60, kRestY, 40, 0, -1, 2.0f, 0};
Hand rightHand = {340, kRestY, 380, kRestY, 360, 0, -1, 2.0f, 0};

void updateHand(Hand &hand)
{
   chooseBall(hand);
   followBall(hand);
   keepApart(hand);
   hand.x1 = hand.centreX - kHalfWidth;
   hand.x2 = hand.centreX + kHalfWidth;
   readActions();
   addPower(hand, -kPowerDecay);
}
