#include "game/game.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/sound.h"
#include "game/playfield.h"
#include "game/ticks.h"

int score = 0;
float hitTimer = 0;
float energy = 0;
bool handsOff = false;
std::vector<Ball> balls;
std::vector<Powerup> targets;
std::vector<TextFade> popups;
time_t (*gameClock)(time_t *) = time;
ActionSet playActions = 0;
PlayListener *playListener = nullptr;

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

// A fresh field seeded with `seed`, each hand picking its ball at once.
void setUp(unsigned seed)
{
   score = 0;
   handsOff = false;
   balls.clear();
   balls.push_back(Ball(320, 100, 10, kRedBallValue));
   balls.push_back(Ball(150, 150, 10, kGreenBallValue));
   balls.push_back(Ball(200, 200, 10, kBlueBallValue));
   srand(seed);
   targets.clear();
   sparks.clear();
   for (int i = 0; i < kTargetCount; i++)
      targets.push_back(Powerup());
   hitTimer = 0;
   energy = kStartEnergy;
   updateHand(leftHand);
   updateHand(rightHand);
}

void collect(size_t index)
{
   const Powerup target = targets[index];
   playSound(Cue::Collected, std::min(kChimeTiers, 1 + target.value / kPointsPerChimeTier));
   score += target.value;
   popups.push_back(TextFade(target.value, target.x, target.y));
   spawnSparks(target.value / kPointsPerSpark, target.x, target.y);
   hitTimer = 0;
   targets.erase(targets.begin() + index);
   targets.push_back(Powerup());
}

// Every ball against every target; a ball that collects a target tests no
// further targets in this tick.
void hitTargets()
{
   for (const Ball &ball : balls) {
      for (size_t i = 0; i < targets.size(); i++) {
         Powerup &target = targets[i];
         if (!circlesOverlap(int(ball.x), int(ball.y), ball.radius, target.x, target.y,
                             target.radius))
            continue;
         target.hitBy(ball.colour);
         if (target.isCleared()) {
            collect(i);
            break;
         }
      }
   }
}

// Only the first popup found finished goes in a tick; the ones after it
// wait for the next.
void updatePopups()
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
void soundTheDrain(float timerBefore, float energyBefore)
{
   if (timerBefore < kTimerSeconds)
      playSound(Cue::TimerRanOut);
   else if (std::ceil(energy) != std::ceil(energyBefore) && energy > 0)
      playSound(Cue::DrainSecond);
}

// The steps of a tick before the keys: the timer, the hands letting go,
// the drain. Returns whether the game is over.
bool advanceClocks()
{
   const float timerBefore = hitTimer, energyBefore = energy;
   if (hitTimer < kTimerSeconds)
      hitTimer += kTickSeconds;
   if (energy <= 0) {
      if (!handsOff)
         playSound(Cue::HandsLetGo);
      handsOff = true;
      energy = 0;
   }
   const bool over =
      balls[0].y > kBottomEdge && balls[1].y > kBottomEdge && balls[2].y > kBottomEdge;
   if (over)
      playSound(Cue::GameOver);
   if (hitTimer >= kTimerSeconds && energy > 0) {
      energy -= kDrainPerTick;
      soundTheDrain(timerBefore, energyBefore);
   }
   return over;
}

// The steps of a tick after the keys: everything in the field moves.
void advanceField()
{
   updateSparks();
   for (Ball &ball : balls)
      updateBall(ball);
   for (Powerup &target : targets)
      target.update();
   updateHand(leftHand);
   updateHand(rightHand);
   hitTargets();
   updatePopups();
}

}  // namespace

void startGame(ActionSet actions, bool withinTick)
{
   playActions = actions;
   const time_t now = gameClock(nullptr);
   const GameStart start = {
      int64_t(now), uint32_t(now), leftHand, rightHand, playActions, withinTick,
   };
   if (playListener)
      playListener->started(start);
   setUp(start.seed);
}

PlayTick playTick(ActionSet actions)
{
   playActions = actions;
   const bool over = advanceClocks();
   // The rest of the tick still runs on the game that has ended, or on
   // the one its new-game key begins.
   const bool begun = actionHeld(NewGame);
   if (begun)
      startGame(playActions, true);
   advanceField();
   if (playListener && !begun)
      playListener->ticked(playActions, over);
   return {over, begun};
}

void replayStart(const GameStart &start)
{
   leftHand = start.left;
   rightHand = start.right;
   playActions = start.actions;
   setUp(start.seed);
   if (start.withinTick)
      advanceField();
}

bool replayTick(ActionSet actions)
{
   playActions = actions;
   const bool over = advanceClocks();
   advanceField();
   return over;
}

GameState saveGame()
{
   return {score,  hitTimer, energy,   handsOff,  balls,      targets,
           popups, sparks,   leftHand, rightHand, playActions};
}

void restoreGame(const GameState &state)
{
   score = state.score;
   hitTimer = state.hitTimer;
   energy = state.energy;
   handsOff = state.handsOff;
   balls = state.balls;
   targets = state.targets;
   popups = state.popups;
   sparks = state.sparks;
   leftHand = state.leftHand;
   rightHand = state.rightHand;
   playActions = state.playActions;
}
