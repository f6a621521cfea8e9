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

// Raised by the window's close button; the loop turns it into Exit.
extern std::atomic<bool> closeRequested;

// Timer callbacks: one counter change each and nothing else.
void onLogicTick();
void onSecondTick();

// The window's close button callback.
void onCloseButton();

// One logic tick: the input delay countdown, then the current screen's
// update routine.
void updateScreen();

// One frame: the current screen's picture, the frame rate, onto the
// screen; the back buffer is left blank.
void drawFrame();

// Runs ticks and frames until the screen state is Exit.
void runMainLoop();

#endif
