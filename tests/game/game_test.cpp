// The game's tick: timing of the drain and the hands, collections, the
// play keys, the end of a game, and a replay of a whole scripted game.
#include <SDL.h>

#include "app/main_loop.h"
#include "app/pad_keys.h"
#include "audio/sound_files.h"
#include "game/game.h"
#include "game/hand.h"
#include "game/particle.h"
#include "playfield_fixture.h"
#include "screens/playfield.h"
#include "screens/quit_prompt.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

namespace {

using GamePlay = PlayfieldTest;

// Puts a red-only target of the given value over the first (red) ball.
void targetUnderRedBall(int value)
{
   Powerup &target = played().targets[1];
   target.kind = 0;
   target.restoreColours();
   target.value = value;
   target.radius = 20;
   target.x = int(played().balls[0].x);
   target.y = int(played().balls[0].y);
}

TEST_F(GamePlay, WithoutACollectionTheHandsGoOffOnTheTwoThousandthTick)
{
   quietGame();
   ticks(999);
   EXPECT_EQ(played().energy, 10);
   ticks(1);
   EXPECT_LT(played().energy, 10);
   ticks(999);
   EXPECT_LT(played().energy, 0.00001);
   EXPECT_FALSE(played().handsOff);
   ticks(1);
   EXPECT_TRUE(played().handsOff);
   EXPECT_EQ(played().energy, 0);

   // The balls fall out; the game ends once the last is below the edge.
   int tick = 0;
   while (screenState == Playing && tick++ < 1000)
      ticks(1);
   EXPECT_EQ(screenState, GameOver);
   EXPECT_EQ(inputDelay, 50);
   EXPECT_EQ(scripted.clears, 1);
   EXPECT_TRUE(played().balls[0].y > 480 && played().balls[1].y > 480 && played().balls[2].y > 480);
}

TEST_F(GamePlay, ACollectionScoresAndStopsTheDrainForAThousandTicks)
{
   quietGame();
   ticks(1500);
   played().popups.push_back(TextFade(1, 0, 0));
   const Powerup last = played().targets[2];
   targetUnderRedBall(500);
   ticks(1);
   EXPECT_EQ(played().score, 500);
   ASSERT_EQ(played().popups.size(), 2u);
   EXPECT_EQ(played().popups[1].value, 500);
   EXPECT_EQ(played().sparks.size(), 7u);
   // The collected target goes, the others move up, a new one comes last.
   ASSERT_EQ(played().targets.size(), 3u);
   EXPECT_EQ(played().targets[1].x, last.x);
   EXPECT_EQ(played().targets[1].y, last.y);
   EXPECT_EQ(played().targets[1].value, last.value);

   for (Powerup &target : played().targets)
      target.x = -1000;
   const float left = played().energy;
   // Drained from tick 1000 to 1501, the collection's own tick included.
   EXPECT_NEAR(left, 4.98f, 0.005);
   ticks(999);
   EXPECT_EQ(played().energy, left);
   ticks(1);
   EXPECT_LT(played().energy, left);
}

TEST_F(GamePlay, ABallCollectsOneTargetATickAndHitsEveryOtherItTouches)
{
   quietGame();
   ticks(1);
   // Two red-only targets and a red-and-green one, all over the red ball.
   for (int i = 0; i < 3; i++) {
      played().targets[i].kind = i == 1 ? 3 : 0;
      played().targets[i].restoreColours();
      played().targets[i].value = 300 + i;
      played().targets[i].radius = 30;
      played().targets[i].x = int(played().balls[0].x);
      played().targets[i].y = int(played().balls[0].y) + 5;
   }
   ticks(1);
   // The first is collected; the ball then tests no more targets.
   EXPECT_EQ(played().score, 300);
   EXPECT_EQ(played().targets[0].value, 301);
   EXPECT_EQ(played().targets[0].needRed, 1);
   EXPECT_EQ(played().targets[1].value, 302);
   ticks(1);
   // Next tick: the two-colour one is hit and waits, the other collected.
   EXPECT_EQ(played().score, 602);
   EXPECT_EQ(played().targets[0].value, 301);
   EXPECT_EQ(played().targets[0].needRed, 0);
   EXPECT_TRUE(played().targets[0].flashing);
}

TEST_F(GamePlay, PlayKeys)
{
   quietGame();
   ticks(10);
   played().popups.push_back(TextFade(1, 0, 0));
   GameRandom numbers;
   spawnSparks(played().sparks, numbers, 3, 0, 0);
   played().score = 99;

   // Esc waits for the input delay, then the quit prompt opens once the
   // tick is done.
   scripted.down = {KEY_ESC};
   inputDelay = 5;
   updateScreen();
   EXPECT_EQ(screenState, Playing);
   inputDelay = 0;
   updateScreen();
   EXPECT_EQ(screenState, QuitPrompt);
   EXPECT_EQ(inputDelay, 50);
   EXPECT_NE(quitSnapshot, nullptr);

   // Space starts a new game whatever the delay; the popups stay.
   screenState = Playing;
   scripted.down = {KEY_SPACE};
   updateGame();
   EXPECT_EQ(played().score, 0);
   EXPECT_EQ(screenState, Playing);
   EXPECT_TRUE(played().sparks.empty());
   EXPECT_EQ(played().popups.size(), 1u);

   scripted.down = {KEY_Q};
   updateGame();
   EXPECT_EQ(screenState, Exit);
   freeQuitSnapshot();
}

// An AZERTY player's keys: Q and Z for the left hand, quitting on F10.
TEST_F(GamePlay, BoundKeysDriveTheHandsAndTheDefaultsNoLonger)
{
   playKeys.keys[LeftTiltLeft] = KEY_Q;
   playKeys.keys[LeftPowerUp] = KEY_Z;
   playKeys.keys[QuitGame] = KEY_F10;
   quietGame();
   const Hand before = played().leftHand;
   scripted.down = {KEY_A, KEY_W, KEY_Q};
   ticks(5);
   EXPECT_LT(played().leftHand.tilt, before.tilt) << "Q tilts the left hand";
   EXPECT_EQ(screenState, Playing) << "Q no longer quits";
   const float tilted = played().leftHand.tilt;
   scripted.down = {KEY_A, KEY_W};
   ticks(5);
   EXPECT_EQ(played().leftHand.tilt, tilted) << "A no longer tilts";
   scripted.down = {KEY_Z};
   ticks(3);
   EXPECT_GT(played().leftHand.power, 2.0f);
   scripted.down = {KEY_F10};
   updateGame();
   EXPECT_EQ(screenState, Exit);
   playKeys = kDefaultBindings;
}

// A whole game with a fixed seed and keys held in turns. The values were
// taken from one run and checked for sense: collections now and then, the
// energy drained in the idle stretches, the balls in the field. Played
// again with the same presses from SDL's virtual game controller, it is
// the same game: the same cues at the same ticks, each where its event
// happens, and the same end.
TEST_F(GamePlay, ReplayOfAScriptedGameItsSoundsAndThePadsReplay)
{
   // Each set of keys is held for 150 ticks, in turn.
   const std::set<int> script[] = {
      {}, {KEY_W, KEY_RIGHT}, {KEY_A, KEY_UP}, {KEY_D}, {KEY_S, KEY_LEFT}, {},
   };
   const struct {
      int tick, score;
      float energy, redX, redY, blueX, blueY;
   } checks[] = {
      {1000, 1295, 10, 540.752f, 427.572f, 609.835f, 412.234f},
      {2500, 2455, 10, 317.746f, 422.187f, 456.005f, 416.544f},
      {4000, 2455, 0.180f, 437.583f, 320.015f, 395.566f, 285.355f},
   };
   std::vector<int> collections, drainStarts;
   const auto replay = [&]() {
      played().leftHand = kLeftHandAtStart;
      played().rightHand = kRightHandAtStart;
      played().popups.clear();
      heard.played.clear();
      scripted.down.clear();
      testSeed = 14;
      newGame();
   };
   replay();
   int tick = 0;
   bool draining = false;
   for (const auto &check : checks) {
      for (; tick < check.tick; tick++) {
         scripted.down = script[tick / 150 % std::size(script)];
         heard.tick = tick;
         const int scoreBefore = played().score;
         const float energyBefore = played().energy;
         updateGame();
         if (played().score != scoreBefore)
            collections.push_back(tick);
         if (played().energy < energyBefore && !draining)
            drainStarts.push_back(tick);
         draining = played().energy < energyBefore;
      }
      EXPECT_EQ(screenState, Playing);
      EXPECT_EQ(played().score, check.score) << tick;
      EXPECT_NEAR(played().energy, check.energy, 0.001) << tick;
      EXPECT_NEAR(played().balls[0].x, check.redX, 0.01) << tick;
      EXPECT_NEAR(played().balls[0].y, check.redY, 0.01) << tick;
      EXPECT_NEAR(played().balls[2].x, check.blueX, 0.01) << tick;
      EXPECT_NEAR(played().balls[2].y, check.blueY, 0.01) << tick;
   }
   const auto ticksOf = [&](Cue cue) {
      std::vector<int> ticks;
      for (const RecordedSounds::Played &p : heard.of(cue))
         ticks.push_back(p.tick);
      return ticks;
   };
   EXPECT_EQ(ticksOf(Cue::Collected), collections);
   EXPECT_EQ(ticksOf(Cue::TimerRanOut), drainStarts);
   EXPECT_FALSE(drainStarts.empty());
   EXPECT_FALSE(heard.of(Cue::DrainSecond).empty());
   std::set<int> thrown;
   for (const RecordedSounds::Played &p : heard.of(Cue::Throw)) {
      thrown.insert(p.variant);
      EXPECT_GT(p.loudness, 0.3f);
      EXPECT_LE(p.loudness, 1.0f);
   }
   EXPECT_EQ(thrown, (std::set<int>{RedBall, GreenBall, BlueBall}));
   // Every cue of the game is one the player hears: each has its effect.
   for (const RecordedSounds::Played &p : heard.played)
      EXPECT_GE(soundFileIndex(p.cue, p.variant), 0) << int(p.cue) << " " << p.variant;

   const std::vector<RecordedSounds::Played> first = heard.played;
   const Ball red = played().balls[0], blue = played().balls[2];
   startPadKeys();
   ASSERT_NE(keys, &scripted) << "SDL's game controllers did not start";
   VirtualPad pad;
   ASSERT_TRUE(pad.stick()) << pad.error;
   // The left stick plays A, D, W and S; the right one the arrows.
   const struct {
      int key;
      SDL_GameControllerAxis axis;
      int travel;
   } sticks[] = {{KEY_A, SDL_CONTROLLER_AXIS_LEFTX, -kAxisTravel},
                 {KEY_D, SDL_CONTROLLER_AXIS_LEFTX, kAxisTravel},
                 {KEY_W, SDL_CONTROLLER_AXIS_LEFTY, -kAxisTravel},
                 {KEY_S, SDL_CONTROLLER_AXIS_LEFTY, kAxisTravel},
                 {KEY_LEFT, SDL_CONTROLLER_AXIS_RIGHTX, -kAxisTravel},
                 {KEY_RIGHT, SDL_CONTROLLER_AXIS_RIGHTX, kAxisTravel},
                 {KEY_UP, SDL_CONTROLLER_AXIS_RIGHTY, -kAxisTravel},
                 {KEY_DOWN, SDL_CONTROLLER_AXIS_RIGHTY, kAxisTravel}};
   replay();
   for (tick = 0; tick < checks[2].tick; tick++) {
      const std::set<int> &down = script[tick / 150 % std::size(script)];
      for (int axis = 0; axis < SDL_CONTROLLER_AXIS_MAX; axis++)
         SDL_JoystickSetVirtualAxis(pad.stick(), axis, 0);
      for (const auto &s : sticks) {
         if (down.count(s.key))
            SDL_JoystickSetVirtualAxis(pad.stick(), s.axis, Sint16(s.travel));
      }
      heard.tick = tick;
      readPadKeys();
      updateGame();
   }
   pad.unplug();
   stopPadKeys();
   EXPECT_TRUE(heard.played == first);
   EXPECT_EQ(played().score, checks[2].score);
   EXPECT_EQ(played().balls[0].x, red.x);
   EXPECT_EQ(played().balls[0].y, red.y);
   EXPECT_EQ(played().balls[2].x, blue.x);
   EXPECT_EQ(played().balls[2].y, blue.y);
}

}  // namespace
