// The game controller as the screens see it: the keys each screen reads
// from the pad's buttons and sticks, the name entered with the D-pad, and
// SDL's virtual controller plugged in and pulled out during play.
#include <SDL.h>

#include <filesystem>

#include "app/main_loop.h"
#include "app/pad_keys.h"
#include "app/quit_prompt.h"
#include "app_fixture.h"
#include "game/game.h"
#include "pad/gamepad.h"
#include "scores/highscores.h"
#include "scores/name_entry.h"
#include "support/scratch.h"

namespace {

class PadTest : public AppTest {
protected:
   PadState with(std::initializer_list<PadButton> down, std::initializer_list<std::pair<PadAxis, int>> axes = {})
   {
      PadState pad;
      pad.connected = true;
      for (PadButton b : down)
         pad.buttons[b] = true;
      for (const auto &[axis, value] : axes)
         pad.axes[axis] = value;
      return pad;
   }

   // The pad's keys, held over the scripted keyboard.
   std::set<int> heldKeys(PadKeys &pad)
   {
      std::set<int> found;
      for (int k = 0; k < KEY_MAX; k++) {
         if (pad.held(k))
            found.insert(k);
      }
      return found;
   }
};

TEST_F(PadTest, SticksCountPastHalfTheirTravelUntilBackBelowTwoFifths)
{
   PadKeys pad(&scripted);
   // Right on the left stick: 0.45 of the travel is not yet a hold, 0.55 is,
   // 0.45 keeps it, 0.35 lets go.
   const struct {
      float travel;
      bool held;
   } steps[] = {{0.45f, false}, {0.55f, true}, {0.45f, true}, {0.35f, false}, {-0.6f, false}};
   for (const auto &s : steps) {
      pad.update(with({}, {{LeftX, int(s.travel * kAxisTravel)}}), Playing);
      EXPECT_EQ(pad.held(KEY_D), s.held) << s.travel;
   }
   EXPECT_TRUE(pad.held(KEY_A));
   scripted.down = {KEY_Q};
   EXPECT_TRUE(pad.held(KEY_Q)) << "the keyboard is read as well";
}

TEST_F(PadTest, EachScreenReadsTheButtonsOfItsOwn)
{
   const struct {
      ScreenState screen;
      PadState pad;
      std::set<int> keys;
   } cases[] = {
      {Playing, with({PadLeft, PadUp}), {KEY_A, KEY_W}},
      {Playing, with({}, {{RightX, kAxisTravel}, {RightY, -kAxisTravel}}), {KEY_RIGHT, KEY_UP}},
      {Playing, with({PadStart}), {KEY_ESC}},
      {Playing, with({PadBack}), {KEY_SPACE}},
      {Playing, with({PadA, PadB}), {}},
      {QuitPrompt, with({PadA}), {KEY_Y}},
      {QuitPrompt, with({PadStart}), {KEY_N}},
      {QuitPrompt, with({PadB}), {KEY_N}},
      {Menu, with({PadDown}), {KEY_DOWN}},
      {Menu, with({}, {{LeftY, -kAxisTravel}}), {KEY_UP}},
      {Menu, with({PadA}), {KEY_ENTER}},
      {Menu, with({PadBack}), {KEY_ESC}},
      {GameOver, with({PadB}), {KEY_ENTER}},
      {ScoreTable, with({PadStart}), {KEY_ENTER}},
      {NameEntry, with({PadBack}), {KEY_ESC}},
   };
   for (const auto &c : cases) {
      PadKeys pad(&scripted);
      pad.update(c.pad, c.screen);
      EXPECT_EQ(heldKeys(pad), c.keys) << c.screen;
   }
}

TEST_F(PadTest, ANameEnteredWithTheDPadIsStored)
{
   Scratch scratch;
   const std::filesystem::path saved = std::filesystem::current_path();
   std::filesystem::current_path(scratch.path(""));
   highscores.load(Highscores::kFile);
   playerName.clear();
   score = 99999;
   highscores.rankOf(score);
   screenState = NameEntry;
   inputDelay = 0;
   PadKeys pad(&scripted);
   keys = &pad;
   // Each press held for three ticks, then let go for three.
   const auto press = [&](PadButton button) {
      for (int tick = 0; tick < 6; tick++) {
         pad.update(tick < 3 ? with({button}) : with({}), screenState);
         updateNameEntry();
      }
   };
   press(PadUp);  // A
   press(PadUp);  // B
   EXPECT_EQ(playerName, "B") << "the last character is changed, not added";
   press(PadRight);  // B, then A
   press(PadDown);  // . (the set wraps round)
   press(PadA);  // B.A
   press(PadB);  // B.
   EXPECT_EQ(playerName, "B.");
   press(PadStart);
   EXPECT_EQ(screenState, ScoreTable);
   Highscores file;
   file.load(Highscores::kFile);
   EXPECT_EQ(file.entries[0].name, "B.");
   EXPECT_EQ(file.entries[0].score, 99999);
   keys = &scripted;
   std::filesystem::current_path(saved);
}

TEST_F(PadTest, AVirtualPadDrivesAndItsUnpluggingPausesTheGame)
{
   startPadKeys();
   ASSERT_NE(keys, &scripted) << "SDL's game controllers did not start";
   VirtualPad pad;
   ASSERT_TRUE(pad.stick()) << pad.error;
   newGame();
   SDL_JoystickSetVirtualAxis(pad.stick(), SDL_CONTROLLER_AXIS_LEFTX, kAxisTravel);
   readPadKeys();
   EXPECT_TRUE(keys->held(KEY_D));
   pad.unplug();
   readPadKeys();
   EXPECT_FALSE(keys->held(KEY_D));
   actOnRequests();
   EXPECT_EQ(screenState, QuitPrompt);
   stopPadKeys();
   EXPECT_EQ(keys, &scripted);
}

}  // namespace
