// Targets: circles that need one, two or all three ball colours to touch
// them before they are collected.
#ifndef TOSSARO_GAME_POWERUP_H
#define TOSSARO_GAME_POWERUP_H

#include "game/game_random.h"

class Powerup {
public:
   // A random target in the target band: four numbers drawn from
   // `random`.
   explicit Powerup(GameRandom &random);
   virtual ~Powerup() = default;

   // Requires again every colour of the kind.
   void restoreColours();
   // One tick of the wait of a partly cleared target. Returns whether the
   // wait ran out in it.
   bool update();
   // A ball of this colour touches the target. Returns whether it cleared
   // that colour and another is still required: the wait is armed anew.
   bool hitBy(int colour);
   bool isCleared() const;

   int x, y;  // centre
   int radius;  // 20 to 49
   int value;  // points when collected
   int kind;  // 0 to 6: which colours are required
   int needRed, needGreen, needBlue;  // 1 while that colour is still required
   bool flashing;  // partly cleared, waiting for the other colours
   int countdown;  // ticks left of the wait; -1 until the first wait
   int resetDelay;  // ticks a partly cleared target waits
};

#endif
