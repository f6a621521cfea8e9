// The two hands: short bars at the bottom that follow the lowest ball on
// their half of the field, tilted and powered from the keyboard.
#ifndef TOSSARO_GAME_HAND_H
#define TOSSARO_GAME_HAND_H

class Game;

struct Hand {
   int x1, y1;  // the left end
   int x2, y2;  // the right end
   int centreX;
   // How far the right end is below the rest height (the left end moves
   // the other way).
   float tilt;
   // The position in the game's ball list of the ball this hand follows,
   // or -1 for none.
   int trackedBall;
   float power;  // throw strength, 1.8 to 5.5
   // The midpoint between the two hands' centres, as this hand's last
   // update found it.
   int midX;
};

// Which of a game's two hands: a ball's nearer one, none before its first
// update.
enum class HandSide { None, Left, Right };

// The height of a level hand's ends.
constexpr int kHandRestY = 460;

// The hands as the program starts; a game keeps them from one game to the
// next.
constexpr Hand kLeftHandAtStart = {20, kHandRestY, 60, kHandRestY, 40, 0, -1, 2.0f, 0};
constexpr Hand kRightHandAtStart = {340, kHandRestY, 380, kHandRestY, 360, 0, -1, 2.0f, 0};

// One tick of one of the game's hands: follow its ball, keep the hands
// apart, the play actions of the tick on both hands, the decay of its own
// power.
void updateHand(Game &game, Hand &hand);

#endif
