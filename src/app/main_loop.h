// The fixed-rate main loop: every owed logic tick, then one frame.
#ifndef TOSSARO_APP_MAIN_LOOP_H
#define TOSSARO_APP_MAIN_LOOP_H

#include <atomic>

// Logic ticks owed to the loop: raised by the 100 Hz timer, lowered by the
// loop after each tick it runs.
extern std::atomic<int> pendingTicks;

// Frames presented since the last one-second tick: raised by the loop,
// reset by the one-second timer.
extern std::atomic<int> framesThisSecond;

// Frames presented during the last whole second, shown in the corner of
// every frame. Written by the one-second timer only.
extern std::atomic<int> fps;

// Raised by the window's close button and by the signals that ask the
// program to end; the loop turns it into Exit.
extern std::atomic<bool> closeRequested;

// Raised when the window loses the keyboard focus; the loop lowers it, and
// opens the quit prompt when a game is in play.
extern std::atomic<bool> focusLost;

// Frames drawn a second at most, 0 for no limit. Set once at start-up.
extern int frameRateCap;
// Whether each frame shows the frame rate; set at start-up.
extern bool showFrameRate;

// Timer callbacks: one counter change each and nothing else.
void onLogicTick();
void onSecondTick();

// The window's close button callback.
void onCloseButton();

// The library's callback for the window losing the keyboard focus.
void onFocusLost();

// Whether a frame is due, the last one drawn `sinceFrame` seconds ago,
// with frames capped at `cap` a second (0: no cap).
bool frameDue(int cap, double sinceFrame);

// What the callbacks asked for since the last pass: Exit for a close or a
// signal; the quit prompt for a lost focus during play.
void actOnRequests();

// One logic tick: the input delay countdown, the keys every screen reads
// (mute, captures), then the current screen's update routine.
void updateScreen();

// One frame: the current screen's picture (taken when a capture asks),
// the capture notice, the frame rate, onto the screen; the back buffer is
// left blank.
void drawFrame();

// Runs ticks and frames until the screen state is Exit.
void runMainLoop();

#endif
