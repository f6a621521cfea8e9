// The loop, the tick and the frame: routing, the input delay, owed ticks,
// the frame-rate text, the frame-rate cap, leaving through Exit, pausing
// when the focus goes, the picture key and its notice.
#include <filesystem>

#include "app/capture_notice.h"
#include "app/captures.h"
#include "app/captures_folder.h"
#include "app/main_loop.h"
#include "app_fixture.h"
#include "game/game.h"
#include "game/playfield_fixture.h"
#include "gif/gif.h"
#include "screens/menu.h"
#include "screens/playfield.h"
#include "screens/quit_prompt.h"
#include "screens/screens.h"
#include "shell/assets.h"
#include "shell/picture.h"
#include "shell/screen_state.h"
#include "support/scratch.h"

namespace {

using MainLoop = AppTest;
// The main loop over a game, which the pause and the quit prompt draw.
using MainLoopInPlay = PlayfieldTest;

// Whether the screen shows nothing but white frame-rate text at the top
// left, on `background`.
bool only_frame_rate_text(BITMAP *bitmap, int background = 0)
{
   const int white = makecol(255, 255, 255);
   bool text = false;
   for (int y = 0; y < bitmap->h; y++) {
      for (int x = 0; x < bitmap->w; x++) {
         const int c = getpixel(bitmap, x, y);
         const bool inText = x >= 10 && x < 10 + 8 * 8 && y >= 20 && y < 28;
         if (c == white && inText)
            text = true;
         else if (c != background)
            return false;
      }
   }
   return text;
}

TEST_F(MainLoop, StatesWithoutRoutinesRouteNowhere)
{
   for (ScreenState state : {Intro, Menu, QuitPrompt}) {
      EXPECT_NE(routinesOf(state).update, nullptr) << state;
      EXPECT_NE(routinesOf(state).draw, nullptr) << state;
   }
   for (int state : {2, 8, int(Exit), -1, 42})
      EXPECT_EQ(routinesOf(ScreenState(state)).update, nullptr) << state;
}

TEST_F(MainLoop, InputDelayCountsDownToZeroAndStays)
{
   screenState = ScreenState(2);
   inputDelay = 2;
   updateScreen();
   EXPECT_EQ(inputDelay, 1);
   updateScreen();
   updateScreen();
   updateScreen();
   EXPECT_EQ(inputDelay, 0);
}

TEST_F(MainLoop, StateWithoutRoutinesShowsOnlyTheFrameRate)
{
   screenState = ScreenState(8);
   fps = 37;
   const int leftover = makecol(200, 100, 50);
   rectfill(backBuffer, 0, 0, 639, 479, leftover);
   drawFrame();
   EXPECT_TRUE(only_frame_rate_text(screen, leftover));
   EXPECT_EQ(framesThisSecond, 1);
   // The back buffer is left blank for the next frame.
   EXPECT_FALSE(has_color(backBuffer, 0, 0, 639, 479, leftover));
   EXPECT_FALSE(has_color(backBuffer, 0, 0, 639, 479, makecol(255, 255, 255)));
   // Without the counter, the picture is the screen's alone.
   showFrameRate = false;
   rectfill(backBuffer, 0, 0, 639, 479, leftover);
   drawFrame();
   showFrameRate = true;
   EXPECT_FALSE(has_color(screen, 0, 0, 639, 479, makecol(255, 255, 255)));
   EXPECT_TRUE(has_color(screen, 10, 20, 10, 20, leftover));
}

TEST_F(MainLoop, SecondTickPublishesAndResetsTheFrameCount)
{
   EXPECT_EQ(fps, 0);
   framesThisSecond = 57;
   onSecondTick();
   EXPECT_EQ(fps, 57);
   EXPECT_EQ(framesThisSecond, 0);
   onLogicTick();
   onLogicTick();
   EXPECT_EQ(pendingTicks, 2);
}

TEST_F(MainLoop, OwedTicksRunBeforeTheFrameAndExitEndsTheLoop)
{
   // Five owed ticks: the delay runs out on the fourth, Esc in the menu
   // sets Exit, the fifth runs with no routine; one frame follows.
   screenState = Menu;
   inputDelay = 4;
   scripted.down = {KEY_ESC};
   pendingTicks = 5;
   runMainLoop();
   EXPECT_EQ(screenState, Exit);
   EXPECT_EQ(pendingTicks, 0);
   EXPECT_EQ(inputDelay, 0);
   EXPECT_EQ(framesThisSecond, 1);
   EXPECT_TRUE(only_frame_rate_text(screen));
}

TEST_F(MainLoop, CloseButtonLeavesThroughExitBeforeAnotherFrame)
{
   screenState = Menu;
   onCloseButton();
   pendingTicks = 3;
   runMainLoop();
   EXPECT_EQ(screenState, Exit);
   EXPECT_EQ(framesThisSecond, 0);
   EXPECT_FALSE(closeRequested);
}

TEST_F(MainLoopInPlay, LostFocusPausesOnlyAGameInPlay)
{
   struct Case {
      ScreenState state;
      bool closed;
      ScreenState after;
   };
   const Case cases[] = {{Playing, false, QuitPrompt},
                         {Menu, false, Menu},
                         {Intro, false, Intro},
                         {QuitPrompt, false, QuitPrompt},
                         {ScoreTable, false, ScoreTable},
                         {Paused, false, Paused},
                         {Playing, true, Exit}};
   for (const Case &c : cases) {
      freeQuitSnapshot();
      screenState = c.state;
      inputDelay = 0;
      closeRequested = c.closed;
      onFocusLost();
      actOnRequests();
      EXPECT_EQ(screenState, c.after) << c.state;
      EXPECT_EQ(inputDelay, c.after == QuitPrompt && c.state == Playing ? 50 : 0) << c.state;
      EXPECT_EQ(quitSnapshot != nullptr, c.after == QuitPrompt && c.state == Playing) << c.state;
      EXPECT_FALSE(focusLost);
      // The flag is spent: coming back does not resume, nor open it again.
      const BITMAP *snapshot = quitSnapshot;
      actOnRequests();
      EXPECT_EQ(screenState, c.after);
      EXPECT_EQ(quitSnapshot, snapshot);
   }
}

TEST_F(MainLoopInPlay, PFreezesTheGameUnderPausedUntilPressedAgain)
{
   newGame();
   const auto tick = [&](std::set<int> down) {
      scripted.down = std::move(down);
      updateScreen();
   };
   while (inputDelay > 0)
      tick({});
   for (int t = 0; t < 1020; t++)  // the ten seconds run out: energy drains
      tick({});
   ASSERT_EQ(screenState, Playing);
   tick({KEY_P});
   ASSERT_EQ(screenState, Paused);
   const Game frozen = playedGame();
   for (int t = 0; t < 500; t++)
      tick({});
   EXPECT_EQ(playedGame().energy, frozen.energy);
   EXPECT_EQ(playedGame().hitTimer, frozen.hitTimer);
   EXPECT_EQ(playedGame().balls[0].y, frozen.balls[0].y);
   drawFrame();
   EXPECT_GE(find_text(screen, "Paused", makecol(69, 63, 48)).y, 0);

   // Esc asks whether to quit, over the frozen game; N comes back to play.
   tick({KEY_ESC});
   EXPECT_EQ(screenState, QuitPrompt);
   while (inputDelay > 0)
      tick({});
   tick({KEY_N});
   EXPECT_EQ(screenState, Playing);
   while (inputDelay > 0)
      tick({});
   tick({KEY_P});
   while (inputDelay > 0)
      tick({});
   tick({KEY_P});
   EXPECT_EQ(screenState, Playing);
   tick({});
   EXPECT_LT(playedGame().energy, frozen.energy) << "the game goes on";
}

TEST(FrameRateCap, FrameDueOnceItsTimeHasCome)
{
   const struct {
      int cap;
      double sinceFrame;
      bool due;
   } cases[] = {{0, 0, true},          {0, 1e-6, true},    {60, 0, false},    {60, 0.0166, false},
                {60, 0.0167, true},    {60, 5, true},      {1, 0.999, false}, {1, 1, true},
                {1000, 0.0009, false}, {1000, 0.001, true}};
   for (const auto &c : cases)
      EXPECT_EQ(frameDue(c.cap, c.sinceFrame), c.due) << c.cap << " " << c.sinceFrame;
}

TEST_F(MainLoop, MTogglesTheSoundOncePerPressInTheMenuAndInPlayOnly)
{
   const struct {
      ScreenState state;
      int toggles;
   } cases[] = {{Menu, 1}, {Playing, 1}, {NameEntry, 0}, {ScoreTable, 0}};
   for (const auto &c : cases) {
      if (c.state == Playing)
         newGame();
      screenState = c.state;
      heard.mutes = 0;
      scripted.down = {KEY_M};
      updateScreen();
      screenState = c.state;
      updateScreen();
      scripted.down.clear();
      updateScreen();
      EXPECT_EQ(heard.mutes, c.toggles) << c.state;
   }
}

TEST_F(MainLoop, ThePictureKeySavesThePictureAsDrawnAndANoticeSaysWhereForTwoSeconds)
{
   const Scratch scratch;
   chosenCapturesFolder = scratch.path("shots");
   screenState = Menu;
   fps = 99;
   scripted.down = {KEY_F12};
   updateScreen();
   updateScreen();  // held on: still one picture
   drawFrame();
   finishCaptures();
   std::vector<std::string> saved;
   for (const auto &entry : std::filesystem::directory_iterator(chosenCapturesFolder))
      saved.push_back(entry.path().filename());
   ASSERT_EQ(saved.size(), 1u);
   EXPECT_EQ(captureNotice(), "Saved " + saved[0]);
   // The menu's own pixels, exactly: no frame rate, no notice.
   BitmapPtr picture(load_gif_bitmap((chosenCapturesFolder + "/" + saved[0]).c_str(), nullptr));
   ASSERT_NE(picture, nullptr);
   drawMenu();
   int wrong = 0;
   for (int y = 0; y < kGameHeight; y++) {
      for (int x = 0; x < kGameWidth; x++)
         wrong += getpixel(picture.get(), x, y) != getpixel(backBuffer, x, y);
   }
   EXPECT_EQ(wrong, 0);
   clear_bitmap(backBuffer);
   drawFrame();
   EXPECT_TRUE(has_color(screen, 12, 44, 627, 60, makecol(kPanelInk)));
   for (int tick = 0; tick < 199; tick++)
      updateScreen();
   EXPECT_FALSE(captureNotice().empty());
   updateScreen();
   EXPECT_EQ(captureNotice(), "");

   // A folder that cannot be made: the notice says why, and no file is left.
   chosenCapturesFolder += "/" + saved[0] + "/in";
   scripted.down.clear();
   updateScreen();
   scripted.down = {KEY_F12};
   updateScreen();
   drawFrame();
   finishCaptures();
   EXPECT_EQ(captureNotice(), "Picture not saved: " + chosenCapturesFolder +
                                 ": cannot reach the folder: Not a directory");
   EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("shots")), {}), 1);
   chosenCapturesFolder.clear();
}

}  // namespace
