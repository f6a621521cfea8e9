#include "game/ball.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "game/game.h"
#include "game/hand.h"
#include "game/playfield.h"

namespace {

const float kTrimVx = 7, kTrimVxStep = 2;
const float kTrimVy = -15, kTrimVyStep = 2;
const float kDrag = 60;
const double kGravity = 0.04;
const int kCatchLine = 440;
const float kWallNudge = 1;
// A throw sounds from a third of full loudness, rising with its speed to
// full at 12 pixels a tick.
const float kQuietestThrow = 1.0f / 3, kLoudThrowSpeed = 18;

float throwLoudness(const Ball &ball)
{
   return std::min(1.0f, kQuietestThrow + std::hypot(ball.vx, ball.vy) / kLoudThrowSpeed);
}

}  // namespace

Ball::Ball(int x, int y, int radius, int colour)
    : radius(radius), colour(colour), vx(0), vy(0), x(float(x)), y(float(y)), hand(HandSide::None)
{
}

void updateBall(Game &game, Ball &ball)
{
   if (ball.vx > kTrimVx)
      ball.vx -= kTrimVxStep;
   if (ball.vy < kTrimVy)
      ball.vy += kTrimVyStep;

   // A tie goes to the left hand.
   const int toLeft = std::abs(int(ball.x - game.leftHand.centreX));
   const int toRight = std::abs(int(ball.x - game.rightHand.centreX));
   ball.hand = toLeft > toRight ? HandSide::Right : HandSide::Left;

   ball.vx -= ball.vx / kDrag;
   ball.vy -= ball.vy / kDrag;

   if (ball.y + ball.radius < kCatchLine || game.handsOff)
      ball.vy = float(ball.vy + kGravity);
   else
      bounceBallOffHand(game, ball);

   ball.x += ball.vx;
   ball.y += ball.vy;

   // A wall keeps the speed and turns it round, nudging the ball back in.
   if (ball.x - ball.radius < playfield.leftWall) {
      ball.vx = -ball.vx;
      ball.x += kWallNudge;
      ball.y += kWallNudge;
   }
   if (ball.x + ball.radius > playfield.rightWall) {
      ball.vx = -ball.vx;
      ball.x -= kWallNudge;
      ball.y -= kWallNudge;
   }
}

void bounceBallOffHand(Game &game, Ball &ball)
{
   const Hand &hand = ball.hand == HandSide::Right ? game.rightHand : game.leftHand;
   // A falling ball is caught and thrown; a rising one below the catch
   // line is only pushed on.
   const bool caught = ball.vy > 0;
   float v[2] = {ball.vx, ball.vy};
   reflectOffHandLine(v, ball, hand);
   v[0] *= hand.power;
   v[1] *= hand.power;
   ball.vx = v[0];
   // A throw that does not point upwards becomes one straight up.
   ball.vy = v[1] < 0 ? v[1] : -hand.power;
   if (caught)
      game.cue(Cue::Throw, ballColourOf(ball.colour), throwLoudness(ball));
}

int ballColourOf(int colour)
{
   if (colour == kRedBallValue)
      return RedBall;
   return colour == kGreenBallValue ? GreenBall : BlueBall;
}

void reflectOffHandLine(float v[2], const Ball &ball, const Hand &hand)
{
   const float ax = float(hand.x1), ay = float(hand.y1);
   const float dx = float(hand.x2) - ax, dy = float(hand.y2) - ay;
   const float len = std::sqrt(dx * dx + dy * dy);
   const float ux = dx / len, uy = dy / len;
   // The point of the line nearest to the ball's centre, and the unit
   // normal from it towards the centre.
   const float t = (ball.x - ax) * ux + (ball.y - ay) * uy;
   const float px = ax + dx * (t / len), py = ay + dy * (t / len);
   float nx = ball.x - px, ny = ball.y - py;
   const float nlen = std::sqrt(nx * nx + ny * ny);
   if (nlen > 0) {
      nx /= nlen;
      ny /= nlen;
   } else {
      // A centre on the line has no normal of its own: take the line's
      // upward one.
      nx = uy;
      ny = -ux;
      if (ny > 0) {
         nx = -nx;
         ny = -ny;
      }
   }
   const float along = v[0] * nx + v[1] * ny;
   v[0] -= 2 * along * nx;
   v[1] -= 2 * along * ny;
}

bool circlesOverlap(int ax, int ay, int ar, int bx, int by, int br)
{
   const float dx = float(ax) - float(bx), dy = float(ay) - float(by);
   return std::sqrt(dx * dx + dy * dy) <= ar + br;
}
