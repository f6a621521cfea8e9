// The game controller as the screens see it: the keys each screen reads
// from the pad's buttons and sticks, the name entered with the D-pad, and
// SDL's virtual controller plugged in and pulled out during play.
#include <SDL.h>
#include <sys/stat.h>

#include <filesystem>

#include "app/main_loop.h"
#include "app/pad_keys.h"
#include "app_fixture.h"
#include "game/game.h"
#include "game/playfield_fixture.h"
#include "pad/gamepad.h"
#include "scores/highscores.h"
#include "screens/name_entry.h"
#include "screens/playfield.h"
#include "screens/quit_prompt.h"
#include "support/scratch.h"

namespace {

// Over the real art: an unplugged pad pauses the game under the prompt,
// which draws it.
class PadTest : public PlayfieldTest {
protected:
   PadState with(std::initializer_list<PadButton> down,
                 std::initializer_list<std::pair<PadAxis, int>> axes = {})
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
      {Menu, with({PadY}), {KEY_F1}},
      {HowToPlay, with({PadA}), {KEY_ENTER}},
      {HowToPlay, with({PadY}), {KEY_ESC}},
      {Playing, with({PadY}), {KEY_P}},
      {Paused, with({PadY}), {KEY_P}},
      {Paused, with({PadStart}), {KEY_ESC}},
      {GameOver, with({PadB}), {KEY_ENTER}},
      {ScoreTable, with({PadStart}), {KEY_ENTER}},
      {ScoreTable, with({PadX, PadDown}), {KEY_R, KEY_DOWN}},
      {ScoreTable, with({PadY}), {KEY_L}},
      {Leaderboard, with({PadY}), {KEY_L}},
      {Leaderboard, with({PadB}), {KEY_ESC}},
      {Watching, with({PadA}), {KEY_SPACE}},
      {Watching, with({PadY}), {KEY_ESC}},
      {Watching, with({PadLeft}), {KEY_LEFT}},
      {NameEntry, with({PadBack}), {KEY_ESC}},
      {Playing, with({PadGuide}), {KEY_F12}},
      {Menu, with({PadGuide}), {KEY_F12}},
      {NameEntry, with({PadGuide}), {KEY_F12}},
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
   playedGame().score = 99999;
   highscores.rankOf(playedGame().score);
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
   scripted.buffer.push_back('c');
   updateNameEntry();  // B.c, from the keyboard
   press(PadUp);  // B.D: a letter of either case steps on
   press(PadA);  // B.DA
   press(PadB);  // B.D
   EXPECT_EQ(playerName, "B.D");
   press(PadStart);
   EXPECT_EQ(screenState, ScoreTable);
   Highscores file;
   file.load(Highscores::kFile);
   EXPECT_EQ(file.entries[0].name, "B.D");
   EXPECT_EQ(file.entries[0].score, 99999);
   keys = &scripted;
   std::filesystem::current_path(saved);
}

TEST_F(PadTest, AVirtualPadDrivesAndItsUnpluggingPausesTheGame)
{
   // The player's mappings are read when a file stands at their name;
   // anything else there is named and skipped, and holds nothing up.
   Scratch scratch;
   setenv("XDG_CONFIG_HOME", scratch.path("").c_str(), 1);
   std::filesystem::create_directory(scratch.path("tossaro"));
   const std::string mappings = scratch.path("tossaro/gamecontrollerdb.txt");
   ASSERT_EQ(mkfifo(mappings.c_str(), 0600), 0);
   testing::internal::CaptureStderr();
   startPadKeys();
   const std::string said = testing::internal::GetCapturedStderr();
   EXPECT_NE(said.find("gamecontrollerdb.txt: not read: it is a FIFO"), std::string::npos) << said;
   stopPadKeys();
   std::filesystem::remove(mappings);
   const std::string pad0 = "030000000000000000000000746f7373";
   const std::string mapping = pad0 + ",Tossaro Test Pad,a:b0,b:b1,platform:Linux,\n";
   scratch.write("tossaro/gamecontrollerdb.txt", {mapping.begin(), mapping.end()});
   testing::internal::CaptureStderr();
   startPadKeys();
   EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
   unsetenv("XDG_CONFIG_HOME");
   char *known = SDL_GameControllerMappingForGUID(SDL_JoystickGetGUIDFromString(pad0.c_str()));
   ASSERT_NE(known, nullptr);
   EXPECT_NE(std::string(known).find("Tossaro Test Pad"), std::string::npos) << known;
   SDL_free(known);

   ASSERT_NE(keys, &scripted) << "SDL's game controllers did not start";
   VirtualPad pad, second;
   ASSERT_TRUE(pad.stick()) << pad.error;
   ASSERT_TRUE(second.stick()) << second.error;
   newGame();
   SDL_JoystickSetVirtualAxis(pad.stick(), SDL_CONTROLLER_AXIS_LEFTX, kAxisTravel);
   SDL_JoystickSetVirtualAxis(second.stick(), SDL_CONTROLLER_AXIS_LEFTX, -kAxisTravel);
   readPadKeys();
   EXPECT_TRUE(keys->held(KEY_D));
   EXPECT_FALSE(keys->held(KEY_A)) << "the first controller plugged in drives, not the last";
   pad.unplug();
   readPadKeys();
   EXPECT_FALSE(keys->held(KEY_D));
   actOnRequests();
   EXPECT_EQ(screenState, QuitPrompt);
   SDL_JoystickSetVirtualButton(second.stick(), SDL_CONTROLLER_BUTTON_A, 1);
   readPadKeys();
   EXPECT_TRUE(keys->held(KEY_Y)) << "the second controller takes over";
   stopPadKeys();
   EXPECT_EQ(keys, &scripted);
}

}  // namespace
