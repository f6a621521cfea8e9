#include "game.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/assets.h"
#include "app/keyboard.h"
#include "app/picture.h"
#include "app/quit_prompt.h"
#include "app/screen_state.h"
#include "audio/sound.h"
#include "particle.h"

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
const float kTickSeconds = 0.01f;
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
   balls.push_back(Ball(320, 100, 10, makecol(255, 0, 0)));
   balls.push_back(Ball(150, 150, 10, makecol(0, 255, 0)));
   balls.push_back(Ball(200, 200, 10, makecol(0, 0, 255)));
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

void beginGame(bool withinTick)
{
   const time_t now = gameClock(nullptr);
   const GameStart start = {
      int64_t(now), uint32_t(now), leftHand, rightHand, playActions, withinTick,
   };
   if (playListener)
      playListener->started(start);
   setUp(start.seed);
   screenState = Playing;
}

void checkKeys()
{
   // Space and Q act whatever the input delay; Esc waits for it.
   if (actionHeld(NewGame))
      beginGame(true);
   if (actionHeld(OpenQuitPrompt) && inputDelay == 0) {
      inputDelay = kScreenChangeDelay;
      openQuitPrompt();
   }
   if (actionHeld(QuitGame))
      screenState = Exit;
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

void drawGauge(int x1, int y1, int x2, int y2, int fill, int frameX2, int frameY2, int outline)
{
   rectfill(backBuffer, x1, y1, x2, y2, fill);
   rect(backBuffer, x1, y1, frameX2, frameY2, outline);
}

}  // namespace

void newGame()
{
   playActions = heldActions();
   beginGame(false);
}

void updateGame()
{
   playActions = heldActions();
   const bool over = advanceClocks();
   // The rest of the tick still runs on the game that has ended.
   if (over) {
      screenState = GameOver;
      inputDelay = kScreenChangeDelay;
      keys->clearKeybuf();
   }
   // A new game begun by this tick's keys takes the rest of the tick.
   const bool begun = actionHeld(NewGame);
   checkKeys();
   advanceField();
   if (playListener && !begun)
      playListener->ticked(playActions, over);
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

void drawGame()
{
   blit(texture, backBuffer, 0, 0, 0, 0, texture->w, texture->h);
   // The juggler stands on the bottom edge, between the hands.
   draw_sprite(backBuffer, characterImage, leftHand.midX - characterImage->w / 2,
               kGameHeight - characterImage->h);
   for (const Ball &ball : balls)
      drawBall(ball);
   set_trans_blender(128, 128, 128, 200);
   for (const Powerup &target : targets)
      target.draw();
   solid_mode();
   for (const TextFade &popup : popups)
      popup.draw();
   drawHand(leftHand);
   drawHand(rightHand);
   drawSparks();

   textprintf_ex(backBuffer, scoresFont, 521, 21, makecol(0, 0, 0), -1, "%i", score);
   textprintf_ex(backBuffer, scoresFont, 520, 20, makecol(253, 253, 51), -1, "%i", score);

   const int power = makecol(150, 0, 0), powerOutline = makecol(0, 50, 0);
   const int leftTop = int(kGameHeight - 20 * leftHand.power);
   const int rightTop = int(kGameHeight - 20 * rightHand.power);
   drawGauge(5, 475, 9, leftTop, power, 9, leftTop, powerOutline);
   drawGauge(630, 475, 635, rightTop, power, 635, rightTop, powerOutline);
   drawGauge(5, 5, int(20 * energy + 5), 10, makecol(255, 200, 200), 205, 10,
             makecol(105, 50, 50));
   drawGauge(5, 12, int((10 - hitTimer) * 20 + 5), 17, makecol(200, 200, 255), 205, 17,
             makecol(50, 50, 105));
}
