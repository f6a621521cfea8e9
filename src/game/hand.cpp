#include "game/hand.h"

#include "game/game.h"

namespace {

const int kHalfWidth = 20;
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
   hand.y1 = kHandRestY - int(hand.tilt);
   hand.y2 = kHandRestY + int(hand.tilt);
}

void addPower(Hand &hand, float step)
{
   const float p = hand.power + step;
   if (p >= kPowerMin && p <= kPowerMax)
      hand.power = p;
}

// 1. The lowest ball on the hand's half becomes its tracked ball.
void chooseBall(const Game &game, Hand &hand)
{
   const int m = (game.leftHand.centreX + game.rightHand.centreX) / 2;
   int best = 0;
   for (int i = 0; i < int(game.balls.size()); i++) {
      const Ball &ball = game.balls[i];
      if (ball.y + ball.radius > best) {
         hand.midX = m;
         // A ball exactly on the midpoint belongs to the left half.
         const bool onHalf = &hand == &game.leftHand ? ball.x <= hand.midX : ball.x > hand.midX;
         if (onHalf) {
            hand.trackedBall = i;
            best = int(ball.y + ball.radius);
         }
      }
   }
}

// 2. The hand jumps so that its end comes under a ball reaching past it.
void followBall(const Game &game, Hand &hand)
{
   if (hand.trackedBall < 0 || hand.trackedBall >= int(game.balls.size()))
      return;
   const Ball &ball = game.balls[hand.trackedBall];
   const int x1 = hand.x1, x2 = hand.x2;
   if (x1 > ball.x - ball.radius)
      hand.centreX = int(hand.centreX - (x1 - ball.x));
   if (ball.x + ball.radius > x2)
      hand.centreX = int(ball.x - x2 + hand.centreX);
}

// 3. Both hands step back from the midpoint this hand found, in either
// hand's update.
void keepApart(Game &game, const Hand &hand)
{
   if (game.leftHand.x2 > hand.midX)
      game.leftHand.centreX--;
   if (game.rightHand.x1 < hand.midX)
      game.rightHand.centreX++;
}

// 5. Every held action acts in every hand's update, on its own hand.
void readActions(Game &game)
{
   const HandActions handActions[] = {
      {&game.leftHand, LeftTiltLeft, LeftTiltRight, LeftPowerUp, LeftPowerDown},
      {&game.rightHand, RightTiltLeft, RightTiltRight, RightPowerUp, RightPowerDown},
   };
   for (const HandActions &a : handActions) {
      if (game.held(a.tiltDown))
         tilt(*a.hand, -kTiltStep);
      if (game.held(a.tiltUp))
         tilt(*a.hand, kTiltStep);
   }
   for (const HandActions &a : handActions) {
      if (game.held(a.powerUp))
         addPower(*a.hand, kPowerStep);
      if (game.held(a.powerDown))
         addPower(*a.hand, -kPowerStep);
   }
}

}  // namespace

void updateHand(Game &game, Hand &hand)
{
   chooseBall(game, hand);
   followBall(game, hand);
   keepApart(game, hand);
   hand.x1 = hand.centreX - kHalfWidth;
   hand.x2 = hand.centreX + kHalfWidth;
   readActions(game);
   addPower(hand, -kPowerDecay);
}
