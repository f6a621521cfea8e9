#include "game/game.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "game/playfield.h"
#include "game/ticks.h"

namespace {

const float kTimerSeconds = 10;
const float kTickSeconds = 1.0f / kTicksPerSecond;
const float kStartEnergy = 10;
const float kDrainPerTick = 0.01f;
const float kBottomEdge = kGameHeight;
const int kTargetCount = 3;
const int kPointsPerSpark = 70;
// The chime of a collection grows with the target's value: one tier for
// each 400 points, up to the fourth.
const int kPointsPerChimeTier = 400, kChimeTiers = 4;

class Fnv {
public:
   void add(uint32_t v)
   {
      for (int k = 0; k < 4; k++) {
         hash_ ^= v >> (8 * k) & 0xff;
         hash_ *= 16777619u;
      }
   }
   void add(float f)
   {
      uint32_t bits;
      memcpy(&bits, &f, 4);
      add(bits);
   }
   uint32_t value() const { return hash_; }

private:
   uint32_t hash_ = 2166136261u;
};

}  // namespace

Game::Game(const GameStart &start) : leftHand(start.left), rightHand(start.right)
{
   actions = start.actions;
   setUp(start.seed);
   if (start.withinTick)
      advanceField();
}

void Game::cue(Cue cue, int variant, float loudness) const
{
   if (heard)
      playSound(cue, variant, loudness);
}

// A fresh field seeded with `seed`, each hand picking its ball at once.
void Game::setUp(uint32_t seed)
{
   score = 0;
   handsOff = false;
   balls.clear();
   balls.push_back(Ball(320, 100, 10, kRedBallValue));
   balls.push_back(Ball(150, 150, 10, kGreenBallValue));
   balls.push_back(Ball(200, 200, 10, kBlueBallValue));
   random_.reseed(seed);
   targets.clear();
   sparks.clear();
   for (int i = 0; i < kTargetCount; i++)
      targets.push_back(Powerup(random_));
   hitTimer = 0;
   energy = kStartEnergy;
   updateHand(*this, leftHand);
   updateHand(*this, rightHand);
}

void Game::collect(size_t index)
{
   const Powerup target = targets[index];
   cue(Cue::Collected, std::min(kChimeTiers, 1 + target.value / kPointsPerChimeTier));
   score += target.value;
   popups.push_back(TextFade(target.value, target.x, target.y));
   spawnSparks(sparks, random_, target.value / kPointsPerSpark, target.x, target.y);
   hitTimer = 0;
   targets.erase(targets.begin() + index);
   targets.push_back(Powerup(random_));
}

// Every ball against every target; a ball that collects a target tests no
// further targets in this tick.
void Game::hitTargets()
{
   for (const Ball &ball : balls) {
      for (size_t i = 0; i < targets.size(); i++) {
         Powerup &target = targets[i];
         if (!circlesOverlap(int(ball.x), int(ball.y), ball.radius, target.x, target.y,
                             target.radius))
            continue;
         if (target.hitBy(ball.colour))
            cue(Cue::ColourCleared, ballColourOf(ball.colour));
         if (target.isCleared()) {
            collect(i);
            break;
         }
      }
   }
}

// Only the first popup found finished goes in a tick; the ones after it
// wait for the next.
void Game::updatePopups()
{
   for (size_t i = 0; i < popups.size(); i++) {
      popups[i].update();
      if (popups[i].isFinished()) {
         popups.erase(popups.begin() + i);
         return;
      }
   }
}

// The warning when the timer runs out, then a tick each time a whole
// unit of energy (a second's drain) has gone.
void Game::soundTheDrain(float timerBefore, float energyBefore)
{
   if (timerBefore < kTimerSeconds)
      cue(Cue::TimerRanOut);
   else if (std::ceil(energy) != std::ceil(energyBefore) && energy > 0)
      cue(Cue::DrainSecond);
}

// The steps of a tick before the keys: the timer, the hands letting go,
// the drain. Returns whether the game is over.
bool Game::advanceClocks()
{
   const float timerBefore = hitTimer, energyBefore = energy;
   if (hitTimer < kTimerSeconds)
      hitTimer += kTickSeconds;
   if (energy <= 0) {
      if (!handsOff)
         cue(Cue::HandsLetGo);
      handsOff = true;
      energy = 0;
   }
   const bool over =
      balls[0].y > kBottomEdge && balls[1].y > kBottomEdge && balls[2].y > kBottomEdge;
   if (over)
      cue(Cue::GameOver);
   if (hitTimer >= kTimerSeconds && energy > 0) {
      energy -= kDrainPerTick;
      soundTheDrain(timerBefore, energyBefore);
   }
   return over;
}

// The steps of a tick after the keys: everything in the field moves.
void Game::advanceField()
{
   updateSparks(sparks);
   for (Ball &ball : balls)
      updateBall(*this, ball);
   for (Powerup &target : targets) {
      if (target.update())
         cue(Cue::TargetExpired);
   }
   updateHand(*this, leftHand);
   updateHand(*this, rightHand);
   hitTargets();
   updatePopups();
}

void Game::start(ActionSet tickActions, bool withinTick)
{
   actions = tickActions;
   const time_t now = clock(nullptr);
   const GameStart start = {
      int64_t(now), uint32_t(now), leftHand, rightHand, actions, withinTick,
   };
   if (listener)
      listener->started(*this, start);
   setUp(start.seed);
}

PlayTick Game::tick(ActionSet tickActions)
{
   actions = tickActions;
   const bool over = advanceClocks();
   // The rest of the tick still runs on the game that has ended, or on
   // the one its new-game key begins.
   const bool begun = held(NewGame);
   if (begun)
      start(actions, true);
   advanceField();
   if (listener && !begun)
      listener->ticked(*this, actions, over);
   return {over, begun};
}

bool Game::replayTick(ActionSet tickActions)
{
   actions = tickActions;
   const bool over = advanceClocks();
   advanceField();
   return over;
}

uint32_t Game::check() const
{
   Fnv fnv;
   fnv.add(uint32_t(score));
   fnv.add(energy);
   fnv.add(hitTimer);
   for (const Ball &ball : balls) {
      for (float v : {ball.x, ball.y, ball.vx, ball.vy})
         fnv.add(v);
   }
   return fnv.value();
}
