// SIGINT, SIGTERM and SIGHUP only raise the flag the loop turns into Exit.
#include <signal.h>

#include "app/main_loop.h"
#include "app/quit_signals.h"
#include "app_fixture.h"
#include "shell/screen_state.h"

namespace {

using QuitSignals = AppTest;

TEST_F(QuitSignals, EachEndsTheLoopAsFromTheMenu)
{
   ASSERT_EQ(installQuitSignals(), 0);
   for (int number : {SIGINT, SIGTERM, SIGHUP}) {
      screenState = Playing;
      raise(number);
      EXPECT_TRUE(closeRequested) << number;
      actOnRequests();
      EXPECT_EQ(screenState, Exit) << number;
      signal(number, SIG_DFL);
   }
}

}  // namespace
