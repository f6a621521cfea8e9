// A game's own random numbers: the sequence the C library's srand and rand
// give on the platform the game was first played on (glibc's default
// additive feedback generator), drawn from a state each game owns, so
// that any number of games can play at once and every recorded game
// plays the same again.
#ifndef TOSSARO_GAME_GAME_RANDOM_H
#define TOSSARO_GAME_GAME_RANDOM_H

#include <cstdint>

class GameRandom {
public:
   // The sequence srand(seed) starts.
   explicit GameRandom(uint32_t seed = 1) { reseed(seed); }

   void reseed(uint32_t seed);
   // The next number, 0 to 2^31 - 1: what rand() would return.
   int next();

private:
   // The last 34 words of the feedback sequence, a ring: each new word is
   // the sum of those 31 and 3 places back.
   static constexpr int kWords = 34;
   uint32_t words_[kWords];
   int at_ = 0;  // where the next word goes
};

#endif
