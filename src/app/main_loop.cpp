#include "app/main_loop.h"

#include <allegro.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>

#include "app/captures.h"
#include "app/leaderboard_sender.h"
#include "app/pad_keys.h"
#include "audio/sound.h"
#include "files/say.h"
#include "screens/quit_prompt.h"
#include "screens/replay_keeping.h"
#include "screens/score_table.h"
#include "screens/screens.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"
#include "shell/window.h"

std::atomic<int> pendingTicks(0);
std::atomic<int> framesThisSecond(0);
std::atomic<int> fps(0);
std::atomic<bool> closeRequested(false);
std::atomic<bool> focusLost(false);
int frameRateCap = 0;
bool showFrameRate = true;

namespace {

// Whether M was held at the last tick: a press toggles once however long
// it is held.
bool muteKeyHeld = false;
// Likewise for Alt+Enter.
bool fullscreenKeysHeld = false;

double secondsNow()
{
   using namespace std::chrono;
   return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// M mutes and unmutes in the menu and in play, where it is no letter.
void readMuteKey()
{
   const bool held = keys->held(KEY_M);
   if (held && !muteKeyHeld && (screenState == Menu || screenState == Playing))
      sounds->toggleMute();
   muteKeyHeld = held;
}

// Alt+Enter on any screen: the full screen, or back to the window. Its
// Enter is the toggle's, not the screen's. A display that refuses the full
// screen gets a window again (a line says so); one that gives no window
// at all ends the run, its table saved.
void readFullscreenKeys()
{
   const bool held = keys->held(KEY_ENTER) && (keys->held(KEY_ALT) || keys->held(KEY_ALTGR));
   const bool pressed = held && !fullscreenKeysHeld;
   fullscreenKeysHeld = held;
   if (!pressed)
      return;
   keys->clearKeybuf();
   inputDelay = std::max(inputDelay, kScreenChangeDelay);
   const std::string problem = openWindow(windowScale, !windowFullscreen);
   if (!problem.empty()) {
      say(problem);
      screenState = Exit;
   }
}

}  // namespace

void onLogicTick()
{
   pendingTicks++;
}

void onSecondTick()
{
   fps = framesThisSecond.exchange(0);
}

void onCloseButton()
{
   closeRequested = true;
}

void onFocusLost()
{
   focusLost = true;
}

bool frameDue(int cap, double sinceFrame)
{
   return cap == 0 || sinceFrame * cap >= 1;
}

void actOnRequests()
{
   if (closeRequested.exchange(false))
      screenState = Exit;
   // A player who switches away mid-game comes back to a paused one, as if
   // Esc had been pressed.
   if (focusLost.exchange(false) && screenState == Playing) {
      inputDelay = kScreenChangeDelay;
      openQuitPrompt();
   }
}

void updateScreen()
{
   if (inputDelay > 0)
      inputDelay--;
   readPadKeys();
   readMuteKey();
   readFullscreenKeys();
   readCaptureKeys();
   continueSavingTable();
   // Read afresh each tick: a state change routes the next tick.
   const ScreenState before = screenState;
   const ScreenRoutines routines = routinesOf(before);
   if (routines.update)
      routines.update();
   // Only a game still in play gets the prompt: not one the same keys left.
   if (std::exchange(quitPromptRequested, false) &&
       (screenState == Playing || screenState == Paused))
      openQuitPrompt();
   noteTick(before);
}

void drawFrame()
{
   const ScreenRoutines routines = routinesOf(screenState);
   if (routines.draw)
      routines.draw();
   // The picture as the screen drew it; the notice and the frame rate go
   // over it after.
   captureFrame(backBuffer);
   if (showFrameRate)
      textprintf_ex(backBuffer, font, 10, 20, makecol(255, 255, 255), -1, "FPS: %i", fps.load());
   framesThisSecond++;
   presentFrame(backBuffer);
   clear_bitmap(backBuffer);
}

void runMainLoop()
{
   double lastFrame = 0;
   for (;;) {
      actOnRequests();
      if (screenState == Exit)
         break;
      // Every owed tick runs before the next frame, however many.
      while (pendingTicks > 0) {
         updateScreen();
         pendingTicks--;
      }
      keepReplays();
      showLeaderboardAnswers();
      // Uncapped, the clock is not read at all.
      if (frameRateCap) {
         const double now = secondsNow();
         if (!frameDue(frameRateCap, now - lastFrame)) {
            rest(1);
            continue;
         }
         lastFrame = now;
      }
      drawFrame();
   }
}
