#include "game/game_random.h"

namespace {

// Words the seeding throws away before the first number: ten times the
// 31 words of the generator's state.
const int kWarmUp = 310;
const int kLag = 31, kShortLag = 3;

}  // namespace

void GameRandom::reseed(uint32_t seed)
{
   // The state starts from the seed by Park and Miller's minimal standard
   // generator, computed by Schrage's method on the seed read as a signed
   // word, as the C library does; a seed of 0 would stay 0.
   int32_t word = seed == 0 ? 1 : int32_t(seed);
   words_[0] = uint32_t(word);
   for (int i = 1; i < kLag; i++) {
      const int32_t hi = word / 127773, lo = word % 127773;
      word = 16807 * lo - 2836 * hi;
      if (word < 0)
         word += 2147483647;
      words_[i] = uint32_t(word);
   }
   for (int i = kLag; i < kWords; i++)
      words_[i] = words_[i - kLag];
   at_ = 0;
   for (int i = 0; i < kWarmUp; i++)
      next();
}

int GameRandom::next()
{
   // words_[at_] is the word kWords back, so the one kLag back sits
   // kWords - kLag places on.
   const uint32_t sum =
      words_[(at_ + kWords - kLag) % kWords] + words_[(at_ + kWords - kShortLag) % kWords];
   words_[at_] = sum;
   at_ = (at_ + 1) % kWords;
   return int(sum >> 1);
}
