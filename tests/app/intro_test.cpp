// The intro's two layers over the menu and when it hands over.
#include "app/main_loop.h"
#include "app_fixture.h"
#include "screens/intro.h"
#include "shell/screen_state.h"

namespace {

class IntroTest : public AppTest {
protected:
   // One tick and one frame, as the loop runs them; returns the tick
   // number at which the state left Intro, or 0.
   int run(int ticks)
   {
      for (int t = 1; t <= ticks; t++) {
         ++tick;
         updateScreen();
         if (screenState != Intro)
            return tick;
         drawFrame();
      }
      return 0;
   }
   int tick = 0;
};

TEST_F(IntroTest, LogoFadesInOverOpaqueBackdropThenBothFadeOut)
{
   inputDelay = 200;
   run(254);
   EXPECT_EQ(logoAlpha, 254);
   EXPECT_EQ(backdropAlpha, 255);
   run(1);
   EXPECT_EQ(logoAlpha, 255);
   EXPECT_EQ(backdropAlpha, 255);
   // The backdrop covers the menu entirely; the logo is drawn opaque.
   EXPECT_TRUE(has_color(screen, 300, 230, 300, 230, logoColor()));
   EXPECT_FALSE(has_color(screen, 0, 100, 639, 199, bannerColor()));
   run(1);
   EXPECT_EQ(backdropAlpha, 254);
   run(100);
   EXPECT_EQ(backdropAlpha, 154);
   EXPECT_EQ(logoAlpha, 154);
}

TEST_F(IntroTest, WithoutAKeyTheMenuComesAtTick512)
{
   inputDelay = 200;
   EXPECT_EQ(run(600), 512);
   EXPECT_EQ(screenState, Menu);
   EXPECT_EQ(inputDelay, 50);
}

TEST_F(IntroTest, BufferedKeyEndsTheIntroWhenTheLogoIsFull)
{
   inputDelay = 200;
   scripted.buffer = {'x'};
   EXPECT_EQ(run(600), 256);
   EXPECT_TRUE(scripted.buffer.empty());
   EXPECT_EQ(inputDelay, 50);
}

TEST_F(IntroTest, KeyDuringTheFadeOutDoesNotShortenIt)
{
   inputDelay = 200;
   run(300);
   scripted.buffer = {'x'};
   EXPECT_EQ(run(600), 512);
   EXPECT_TRUE(scripted.buffer.empty());
}

TEST_F(IntroTest, KeyIgnoredWhileTheStartDelayRuns)
{
   // A slow start: the logo is full while the delay still runs.
   inputDelay = 400;
   scripted.buffer = {'x'};
   EXPECT_EQ(run(600), 512);
}

}  // namespace
