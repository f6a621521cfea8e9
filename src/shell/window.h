// The game's window: opened at a whole multiple of the game's size, every
// frame shown in it enlarged by whole pixels, and the picture read back
// at the game's own size.
#ifndef TOSSARO_SHELL_WINDOW_H
#define TOSSARO_SHELL_WINDOW_H

#include <allegro.h>

#include <string>

#include "shell/picture.h"

// The largest scale, and --scale auto's: the largest whose window fits
// the desktop.
const int kMaxScale = 4;
const int kAutoScale = 0;

// How many window pixels, each way, show one game pixel: 1 to kMaxScale.
// Set by openWindow.
extern int windowScale;
// Whether the game fills the screen; set by openWindow.
extern bool windowFullscreen;

// The largest scale whose window fits a desktop of this size; 1 when none
// does or the size is unknown.
int fittingScale(int desktopWidth, int desktopHeight);

// Opens the 16-bit window at `scale` (1 to kMaxScale, or kAutoScale), or
// the full screen when asked and the display allows it (else one line on
// stderr says so and a window opens). Returns an empty string, or what
// failed.
std::string openWindow(int scale, bool fullscreen);

// Shows a game-sized frame on the screen, each pixel as a block of
// windowScale x windowScale.
void presentFrame(BITMAP *frame);

#endif
