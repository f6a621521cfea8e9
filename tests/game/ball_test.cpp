// A ball's flight through one tick and over many: trims, drag, gravity,
// the catch line, the walls, the bounce off the hand's line.
#include <cmath>

#include "game/ball.h"
#include "game/game.h"
#include "playfield_fixture.h"

namespace {

using BallFlight = PlayfieldTest;

Ball ballAt(float x, float y, float vx, float vy)
{
   Ball ball(0, 0, 10, kRedBallValue);
   ball.x = x;
   ball.y = y;
   ball.vx = vx;
   ball.vy = vy;
   return ball;
}

TEST_F(BallFlight, OneTickInTheAir)
{
   played().handsOff = false;
   const struct {
      const char *what;
      float x, y, vx, vy;
      float wantVx, wantVy;
   } cases[] = {
      // The fast rightward and upward speeds are trimmed before the drag.
      {"vx 9 trimmed to 7", 300, 100, 9, 0, 7 - 7 / 60.0f, 0.04f},
      {"vx -9 kept", 300, 100, -9, 0, -9 + 9 / 60.0f, 0.04f},
      {"vy -17 trimmed to -15", 300, 100, 0, -17, 0, -15 + 15 / 60.0f + 0.04f},
      {"vy 17 kept", 300, 100, 0, 17, 0, 17 - 17 / 60.0f + 0.04f},
      // Bottom at 439.9: still in the air.
      {"just above the catch line", 300, 429.9f, 0, 2, 0, 2 - 2 / 60.0f + 0.04f},
   };
   for (const auto &c : cases) {
      Ball ball = ballAt(c.x, c.y, c.vx, c.vy);
      updateBall(played(), ball);
      EXPECT_NEAR(ball.vx, c.wantVx, 1e-5) << c.what;
      EXPECT_NEAR(ball.vy, c.wantVy, 1e-5) << c.what;
      EXPECT_NEAR(ball.x, c.x + c.wantVx, 1e-4) << c.what;
      EXPECT_NEAR(ball.y, c.y + c.wantVy, 1e-4) << c.what;
   }
}

TEST_F(BallFlight, FreeFallTendsToTwoPointFourAndLeavesWhenHandsAreOff)
{
   played().handsOff = true;
   Ball ball = ballAt(300, -5000, 0, 0);
   for (int i = 0; i < 3000; i++)
      updateBall(played(), ball);
   EXPECT_NEAR(ball.vy, 2.4f, 0.001f);
   EXPECT_GT(ball.y, 480);
}

TEST_F(BallFlight, WallsTurnTheBallAndNudgeItBackIn)
{
   played().handsOff = false;
   const struct {
      float x, vx;
      float wantX, wantY, wantVx;
   } cases[] = {
      // Touching a wall is not a bounce.
      {10, 0, 10, 100.04f, 0},
      {630, 0, 630, 100.04f, 0},
      // Past the left wall: back in by one pixel and one pixel down.
      {11, -3, 11 - 3 + 3 / 60.0f + 1, 101.04f, 3 - 3 / 60.0f},
      // Past the right wall: back in by one pixel and one pixel up.
      {629, 3, 629 + 3 - 3 / 60.0f - 1, 99.04f, -3 + 3 / 60.0f},
   };
   for (const auto &c : cases) {
      Ball ball = ballAt(c.x, 100, c.vx, 0);
      updateBall(played(), ball);
      EXPECT_NEAR(ball.x, c.wantX, 1e-4) << c.x;
      EXPECT_NEAR(ball.y, c.wantY, 1e-4) << c.x;
      EXPECT_NEAR(ball.vx, c.wantVx, 1e-5) << c.x;
   }
}

TEST_F(BallFlight, TheNearerHandCatchesAtTheLine)
{
   played().handsOff = false;
   // Equally far from both centres (40 and 360): the left hand.
   Ball ball = ballAt(200, 100, 0, 0);
   updateBall(played(), ball);
   EXPECT_EQ(ball.hand, HandSide::Left);
   ball = ballAt(201, 100, 0, 0);
   updateBall(played(), ball);
   EXPECT_EQ(ball.hand, HandSide::Right);

   // Falling at 2 onto the level left hand of power 2, bottom exactly on
   // the line: the drag of the tick applies before the throw.
   ball = ballAt(40, 430, 0, 2);
   updateBall(played(), ball);
   EXPECT_NEAR(ball.vy, -2 * (2 - 2 / 60.0f), 1e-5);
   EXPECT_NEAR(ball.vx, 0, 1e-6);

   // Rising over the hand with its bottom still below the line: mirrored
   // downwards, so relaunched straight up at the hand's power.
   ball = ballAt(40, 440, 0, -1);
   updateBall(played(), ball);
   EXPECT_FLOAT_EQ(ball.vy, -2);

   // With the hands off it falls through.
   played().handsOff = true;
   ball = ballAt(40, 430, 0, 2);
   updateBall(played(), ball);
   EXPECT_GT(ball.vy, 0);
}

// The mirror image of v in the line through a and b, worked out in double
// precision.
void mirror(double ax, double ay, double bx, double by, double *vx, double *vy)
{
   const double len = std::hypot(bx - ax, by - ay);
   const double nx = -(by - ay) / len, ny = (bx - ax) / len;
   const double dot = *vx * nx + *vy * ny;
   *vx -= 2 * dot * nx;
   *vy -= 2 * dot * ny;
}

TEST_F(BallFlight, TheHandLineIsUnboundedAndACentreOnItStillBounces)
{
   // A tilted hand: left end high, right end low.
   Hand &hand = played().leftHand;
   hand.y1 = 450;
   hand.y2 = 470;
   hand.power = 3;
   const struct {
      const char *what;
      float x, y, vx, vy;
   } cases[] = {
      {"over the hand", 40, 440, 1, 2},
      {"30 pixels left of its left end", -10, 420, 0, 2},
      {"far right of its right end", 200, 500, -1, 1},
   };
   for (const auto &c : cases) {
      Ball ball = ballAt(c.x, c.y, c.vx, c.vy);
      ball.hand = HandSide::Left;
      bounceBallOffHand(played(), ball);
      double vx = c.vx, vy = c.vy;
      mirror(hand.x1, hand.y1, hand.x2, hand.y2, &vx, &vy);
      EXPECT_NEAR(ball.vx, vx * hand.power, 1e-4) << c.what;
      // A throw that would not point upwards goes straight up.
      EXPECT_NEAR(ball.vy, vy < 0 ? vy * hand.power : -hand.power, 1e-4) << c.what;
   }

   // A centre exactly on the line has no normal of its own: the line's
   // upward one takes its place, on either tilt.
   for (int tilt : {0, 10, -10}) {
      hand.y1 = 460 - tilt;
      hand.y2 = 460 + tilt;
      Ball ball = ballAt(40, 460, 1, 2);
      float v[2] = {ball.vx, ball.vy};
      reflectOffHandLine(v, ball, hand);
      EXPECT_TRUE(std::isfinite(v[0]) && std::isfinite(v[1])) << tilt;
      double vx = 1, vy = 2;
      mirror(hand.x1, hand.y1, hand.x2, hand.y2, &vx, &vy);
      EXPECT_NEAR(v[0], vx, 1e-5) << tilt;
      EXPECT_NEAR(v[1], vy, 1e-5) << tilt;
   }
}

TEST_F(BallFlight, CirclesOverlapWhenTheyTouch)
{
   EXPECT_TRUE(circlesOverlap(0, 0, 10, 20, 0, 10));
   EXPECT_FALSE(circlesOverlap(0, 0, 10, 21, 0, 10));
   EXPECT_TRUE(circlesOverlap(100, 100, 10, 112, 116, 10));
   EXPECT_FALSE(circlesOverlap(100, 100, 10, 113, 116, 10));
}

}  // namespace
