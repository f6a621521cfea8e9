// The quit prompt: its dimmed snapshot, its panel and its answers.
#include "app_fixture.h"
#include "screens/quit_prompt.h"
#include "shell/assets.h"
#include "shell/screen_state.h"
#include "shell/window.h"

namespace {

using QuitPromptTest = AppTest;

TEST_F(QuitPromptTest, SnapshotIsTheScreenWithADotScreen)
{
   for (int y = 0; y < 480; y++)
      hline(screen, 0, y, 639, makecol(y % 256, 255 - y % 256, 7));
   screenState = Playing;
   openQuitPrompt();
   EXPECT_EQ(screenState, QuitPrompt);
   ASSERT_NE(quitSnapshot, nullptr);
   const int dot = makecol(50, 50, 50);
   for (int y = 0; y < 480; y += 7) {
      for (int x = 0; x < 640; x += 5) {
         const int expected = (x % 2 == 0 && y % 2 == 0) ? dot : getpixel(screen, x, y);
         ASSERT_EQ(getpixel(quitSnapshot, x, y), expected) << x << "," << y;
      }
   }
   // A second opening replaces the snapshot with a fresh one.
   clear_to_color(screen, makecol(255, 255, 255));
   openQuitPrompt();
   EXPECT_EQ(getpixel(quitSnapshot, 1, 1), makecol(255, 255, 255));
   EXPECT_EQ(getpixel(quitSnapshot, 638, 478), dot);
}

TEST_F(QuitPromptTest, SnapshotIsTheWholePictureAtEveryScale)
{
   BITMAP *frame = create_bitmap(640, 480);
   for (int y = 0; y < 480; y++)
      hline(frame, 0, y, 639, makecol(y % 256, 255 - y % 256, y / 2));
   vline(frame, 639, 0, 479, makecol(255, 255, 255));
   BITMAP *const gameScreen = screen;
   for (int scale = 2; scale <= kMaxScale; scale++) {
      screen = create_bitmap(640 * scale, 480 * scale);
      windowScale = scale;
      presentFrame(frame);
      screenState = Playing;
      openQuitPrompt();
      for (int y = 1; y < 480; y += 2) {
         for (int x = 1; x < 640; x += 2)
            ASSERT_EQ(getpixel(quitSnapshot, x, y), getpixel(frame, x, y)) << x << "," << y;
      }
      destroy_bitmap(screen);
   }
   screen = gameScreen;
   destroy_bitmap(frame);
}

TEST_F(QuitPromptTest, DrawsThePanelAndQuestionOverTheSnapshot)
{
   clear_to_color(screen, makecol(0, 0, 200));
   openQuitPrompt();
   drawQuitPrompt();
   EXPECT_EQ(getpixel(backBuffer, 101, 101), makecol(0, 0, 200));
   EXPECT_EQ(getpixel(backBuffer, 100, 100), makecol(50, 50, 50));
   EXPECT_EQ(getpixel(backBuffer, 300, 300), makecol(137, 135, 95));
   EXPECT_EQ(getpixel(backBuffer, 150, 150), makecol(69, 63, 48));
   EXPECT_EQ(getpixel(backBuffer, 490, 330), makecol(69, 63, 48));
   EXPECT_TRUE(has_color(backBuffer, 200, 200, 200 + 19 * 8, 207, makecol(69, 63, 48)));
}

TEST_F(QuitPromptTest, AnswersAndTheirPrecedence)
{
   struct Case {
      std::set<int> down;
      int state;
   };
   const Case cases[] = {{{KEY_ESC}, Playing}, {{KEY_N}, Playing}, {{KEY_Y}, Menu},
                         {{KEY_Y, KEY_N}, Menu}, {{KEY_ESC, KEY_Y}, Menu}, {{KEY_P}, QuitPrompt}};
   for (const Case &c : cases) {
      scripted.down = c.down;
      screenState = QuitPrompt;
      inputDelay = 0;
      heard.played.clear();
      updateQuitPrompt();
      EXPECT_EQ(screenState, c.state);
      EXPECT_EQ(inputDelay, c.state == QuitPrompt ? 0 : 50);
      // One click for an answer, however many keys give it.
      EXPECT_EQ(heard.of(Cue::PromptAnswered).size(), c.state == QuitPrompt ? 0u : 1u);
   }
   scripted.down = {KEY_Y};
   screenState = QuitPrompt;
   inputDelay = 3;
   updateQuitPrompt();
   EXPECT_EQ(screenState, QuitPrompt);
}

}  // namespace
