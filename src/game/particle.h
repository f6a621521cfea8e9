// Sparks: small spinning copies of the spark image that burst from a
// collected target (and sparkle beside a name being entered), fall under a
// light gravity and fade out.
#ifndef TOSSARO_GAME_PARTICLE_H
#define TOSSARO_GAME_PARTICLE_H

#include <vector>

#include "game/game_random.h"

class Particle {
public:
   // A spark at (x, y) with a random spin and velocity: five numbers
   // drawn from `random`.
   Particle(int x, int y, GameRandom &random);
   virtual ~Particle() = default;

   // One tick: spin, gravity, fade, move.
   void update();
   // Whether the spark has faded out and is to be removed.
   bool isExpired() const;

   int alpha;  // translucency and remaining life, 254 down to 1
   float vx, vy;
   float x, y;
   int drawX, drawY;  // x and y truncated, where the spark is drawn
   int angle;  // rotation in 1/256 of a turn
};

// Appends n sparks at (x, y) to `sparks`; none when n <= 0.
void spawnSparks(std::vector<Particle> &sparks, GameRandom &random, int n, int x, int y);
// One tick of every spark; removes those that expire, keeping the order.
void updateSparks(std::vector<Particle> &sparks);

#endif
