// The balls: their flight, the catch and throw by the nearer hand, and
// their drawing with a shadow.
#ifndef TOSSARO_GAME_BALL_H
#define TOSSARO_GAME_BALL_H

struct Hand;

struct Ball {
   Ball(int x, int y, int radius, int colour);

   int radius;
   // The library colour value of the ball, which is its identity:
   // compared, never decomposed.
   int colour;
   float vx, vy;  // pixels per tick; positive vy is downwards
   float x, y;  // centre
   // The nearer hand, chosen anew at the start of every update; none
   // before the first.
   Hand *hand;
};

// One tick of flight: trims, nearer hand, drag, gravity or the catch, the
// move and the side walls.
void updateBall(Ball &ball);

// The catch and throw off the ball's hand: the velocity mirrored in the
// hand's line and scaled by its power, relaunched straight up when the
// result does not point upwards.
void bounceBallOffHand(Ball &ball);

// Mirrors v = (vx, vy) in the hand's line through its two ends (the line
// is not clipped to the hand).
void reflectOffHandLine(float v[2], const Ball &ball, const Hand &hand);

// Which ball a library colour value names: RedBall, GreenBall or BlueBall.
int ballColourOf(int colour);

// Draws the ball's shadow and then the ball into backBuffer.
void drawBall(const Ball &ball);

// Whether two circles overlap or touch.
bool circlesOverlap(int ax, int ay, int ar, int bx, int by, int br);

#endif
