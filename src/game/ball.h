// The balls: their flight, and the catch and throw by the nearer hand.
#ifndef TOSSARO_GAME_BALL_H
#define TOSSARO_GAME_BALL_H

#include "game/hand.h"

class Game;

// The balls' identities: the 16-bit colour values (red in the top five
// bits, green in the middle six, blue in the low five) the game has always
// given them. Compared, never decomposed.
constexpr int kRedBallValue = 0xF800, kGreenBallValue = 0x07E0, kBlueBallValue = 0x001F;

struct Ball {
   Ball(int x, int y, int radius, int colour);

   int radius;
   int colour;  // kRedBallValue, kGreenBallValue or kBlueBallValue
   float vx, vy;  // pixels per tick; positive vy is downwards
   float x, y;  // centre
   // The nearer hand, chosen anew at the start of every update; none
   // before the first.
   HandSide hand;
};

// One tick of flight in `game`: trims, nearer hand, drag, gravity or the
// catch, the move and the side walls.
void updateBall(Game &game, Ball &ball);

// The catch and throw off the ball's hand: the velocity mirrored in the
// hand's line and scaled by its power, relaunched straight up when the
// result does not point upwards.
void bounceBallOffHand(Game &game, Ball &ball);

// Mirrors v = (vx, vy) in the hand's line through its two ends (the line
// is not clipped to the hand).
void reflectOffHandLine(float v[2], const Ball &ball, const Hand &hand);

// Which ball a colour value names: RedBall, GreenBall or BlueBall.
int ballColourOf(int colour);

// Whether two circles overlap or touch.
bool circlesOverlap(int ax, int ay, int ar, int bx, int by, int br);

#endif
