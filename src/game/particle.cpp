#include "game/particle.h"

#include <algorithm>

namespace {

const int kStartAlpha = 254;
const int kExpiredAlpha = 1;
const double kGravity = 0.02;

float randomSpeed(GameRandom &random)
{
   return float(random.next() % 100) / 100.0f;
}

}  // namespace

Particle::Particle(int x, int y, GameRandom &random)
    : alpha(kStartAlpha), vx(0), vy(0), x(float(x)), y(float(y)), drawX(x), drawY(y), angle(0)
{
   angle = random.next() % 256;
   vx = randomSpeed(random);
   vy = randomSpeed(random);
   if (random.next() % 2 == 0)
      vx = -vx;
   if (random.next() % 2 == 0)
      vy = -vy;
}

void Particle::update()
{
   angle = angle == 0 ? 256 : angle - 1;
   vy = float(vy + kGravity);
   alpha--;
   x += vx;
   y += vy;
   drawX = int(x);
   drawY = int(y);
}

bool Particle::isExpired() const
{
   return alpha == kExpiredAlpha;
}

void spawnSparks(std::vector<Particle> &sparks, GameRandom &random, int n, int x, int y)
{
   for (int i = 0; i < n; i++)
      sparks.push_back(Particle(x, y, random));
}

void updateSparks(std::vector<Particle> &sparks)
{
   for (Particle &spark : sparks)
      spark.update();
   sparks.erase(std::remove_if(sparks.begin(), sparks.end(),
                               [](const Particle &spark) { return spark.isExpired(); }),
                sparks.end());
}
