// The two hands: short bars at the bottom that follow the lowest ball on
// their half of the field, tilted and powered from the keyboard.
#ifndef TOSSARO_GAME_HAND_H
#define TOSSARO_GAME_HAND_H

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

// The two hands, set once when the program starts and kept from one game
// to the next. Changed only by updateHand.
extern Hand leftHand;
extern Hand rightHand;

// One tick of one hand: follow its ball, keep the hands apart, the play
// actions of the tick (playActions) on both hands, the decay of its own
// power.
void updateHand(Hand &hand);

#endif
