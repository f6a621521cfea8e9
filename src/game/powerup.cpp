#include "game/powerup.h"

#include <cstdlib>

#include "audio/sound.h"
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

Powerup::Powerup() : flashing(false), countdown(-1), resetDelay(kResetDelay)
{
   radius = kSmallestRadius + rand() % kRadiusChoices;
   // Smaller targets are worth more.
   value = 10 * (70 - radius);
   const int width = playfield.targetRight - playfield.targetLeft;
   const int height = playfield.targetBottom - playfield.targetTop;
   x = playfield.targetLeft + radius + rand() % (width - 2 * radius);
   // The radius is taken off the height once: the circle's top stays in
   // the band, its bottom may reach below it.
   y = playfield.targetTop + radius + rand() % (height - radius);
   kind = rand() % kKinds;
   value = int(value * kKindTable[kind].factor);
   restoreColours();
}

void Powerup::restoreColours()
{
   needRed = kKindTable[kind].red;
   needGreen = kKindTable[kind].green;
   needBlue = kKindTable[kind].blue;
}

void Powerup::update()
{
   if (flashing)
      countdown--;
   // Once expired, the countdown stays at 0 and the colours are restored
   // again every tick until a hit arms it anew.
   if (countdown == 0) {
      if (flashing)
         playSound(Cue::TargetExpired);
      flashing = false;
      restoreColours();
   }
}

void Powerup::hitBy(int colour)
{
   // Each cleared colour that leaves another one required re-arms the wait.
   const auto clear = [&](int &need, int other1, int other2, BallColour sound) {
      need = 0;
      if (other1 || other2) {
         flashing = true;
         countdown = resetDelay;
         playSound(Cue::ColourCleared, sound);
      }
   };
   if (colour == kRedBallValue && needRed == 1)
      clear(needRed, needGreen, needBlue, RedBall);
   if (colour == kGreenBallValue && needGreen == 1)
      clear(needGreen, needRed, needBlue, GreenBall);
   if (colour == kBlueBallValue && needBlue == 1)
      clear(needBlue, needRed, needGreen, BlueBall);
}

bool Powerup::isCleared() const
{
   return needRed == 0 && needGreen == 0 && needBlue == 0;
}
