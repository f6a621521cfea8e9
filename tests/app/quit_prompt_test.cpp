// The quit prompt: its dimmed snapshot, its panel and its answers.
#include "app_fixture.h"
#include "game/playfield_fixture.h"
#include "gif/gif.h"
#include "screens/playfield.h"
#include "screens/playfield_drawing.h"
#include "screens/quit_prompt.h"
#include "shell/assets.h"
#include "shell/screen_state.h"

namespace {

using QuitPromptTest = PlayfieldTest;

// The field as `game` stands, drawn as play draws it.
BitmapPtr fieldOf(const Game &game)
{
   clear_bitmap(backBuffer);
   drawPlayfield(game);
   BitmapPtr field(create_bitmap(640, 480));
   blit(backBuffer, field.get(), 0, 0, 0, 0, 640, 480);
   clear_bitmap(backBuffer);
   return field;
}

TEST_F(QuitPromptTest, SnapshotIsTheFieldAsItStandsDottedWithoutTheFrameRate)
{
   // The screen's last frame holds the frame rate: none of it is taken.
   clear_to_color(screen, makecol(255, 255, 255));
   textprintf_ex(screen, font, 10, 20, makecol(0, 0, 0), -1, "FPS: 999");
   const int dot = makecol(50, 50, 50);
   for (int score : {1234, 98765}) {
      playedGame().start({}, false);
      playedGame().score = score;
      const BitmapPtr field = fieldOf(playedGame());
      screenState = Playing;
      openQuitPrompt();
      EXPECT_EQ(screenState, QuitPrompt);
      ASSERT_NE(quitSnapshot, nullptr);
      for (int y = 0; y < 480; y++) {
         for (int x = 0; x < 640; x++) {
            const int expected = (x % 2 == 0 && y % 2 == 0) ? dot : getpixel(field.get(), x, y);
            ASSERT_EQ(getpixel(quitSnapshot, x, y), expected) << score << ": " << x << "," << y;
         }
      }
      int drawn = 0;
      for (int y = 0; y < 480; y++)
         for (int x = 0; x < 640; x++)
            drawn += getpixel(backBuffer, x, y) != 0;
      EXPECT_EQ(drawn, 0) << "the back buffer is left blank for the next frame";
   }
}

TEST_F(QuitPromptTest, DrawsThePanelAndQuestionOverTheSnapshot)
{
   playedGame().start({}, false);
   const BitmapPtr field = fieldOf(playedGame());
   openQuitPrompt();
   drawQuitPrompt();
   EXPECT_EQ(getpixel(backBuffer, 101, 101), getpixel(field.get(), 101, 101));
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
   const Case cases[] = {{{KEY_ESC}, Playing},   {{KEY_N}, Playing},       {{KEY_Y}, Menu},
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
