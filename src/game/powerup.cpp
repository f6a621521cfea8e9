#include "game/powerup.h"

#include "game/ball.h"
#include "game/playfield.h"

namespace {

const int kSmallestRadius = 20;
const int kRadiusChoices = 30;
const int kKinds = 7;
const int kResetDelay = 500;

// The colours each kind requires, and its value factor.
const struct {
   int red, green, blue;
   double factor;
} kKindTable[kKinds] = {
   {1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1},   {1, 1, 0, 2},
   {1, 0, 1, 2}, {0, 1, 1, 2}, {1, 1, 1, 3.5},
};

}  // namespace

Powerup::Powerup(GameRandom &random) : flashing(false), countdown(-1), resetDelay(kResetDelay)
{
   radius = kSmallestRadius + random.next() % kRadiusChoices;
   // Smaller targets are worth more.
   value = 10 * (70 - radius);
   const int width = playfield.targetRight - playfield.targetLeft;
   const int height = playfield.targetBottom - playfield.targetTop;
   x = playfield.targetLeft + radius + random.next() % (width - 2 * radius);
   // The radius is taken off the height once: the circle's top stays in
   // the band, its bottom may reach below it.
   y = playfield.targetTop + radius + random.next() % (height - radius);
   kind = random.next() % kKinds;
   value = int(value * kKindTable[kind].factor);
   restoreColours();
}

void Powerup::restoreColours()
{
   needRed = kKindTable[kind].red;
   needGreen = kKindTable[kind].green;
   needBlue = kKindTable[kind].blue;
}

bool Powerup::update()
{
   if (flashing)
      countdown--;
   // Once expired, the countdown stays at 0 and the colours are restored
   // again every tick until a hit arms it anew.
   const bool ranOut = countdown == 0 && flashing;
   if (countdown == 0) {
      flashing = false;
      restoreColours();
   }
   return ranOut;
}

bool Powerup::hitBy(int colour)
{
   // Each cleared colour that leaves another one required re-arms the wait.
   const auto clear = [&](int &need, int other1, int other2) {
      need = 0;
      if (!other1 && !other2)
         return false;
      flashing = true;
      countdown = resetDelay;
      return true;
   };
   if (colour == kRedBallValue && needRed == 1)
      return clear(needRed, needGreen, needBlue);
   if (colour == kGreenBallValue && needGreen == 1)
      return clear(needGreen, needRed, needBlue);
   if (colour == kBlueBallValue && needBlue == 1)
      return clear(needBlue, needRed, needGreen);
   return false;
}

bool Powerup::isCleared() const
{
   return needRed == 0 && needGreen == 0 && needBlue == 0;
}
