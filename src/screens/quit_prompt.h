// The question whether to quit to the menu, over a dimmed, frozen game.
#ifndef TOSSARO_SCREENS_QUIT_PROMPT_H
#define TOSSARO_SCREENS_QUIT_PROMPT_H

#include <allegro.h>

// The dimmed picture of the game shown under the question; at most one
// exists, owned here.
extern BITMAP *quitSnapshot;

// Draws the game as it stands into the snapshot and shows the prompt.
// Called when Esc is pressed during play or pause, or the window loses
// the focus.
void openQuitPrompt();

void updateQuitPrompt();
void drawQuitPrompt();

// Releases the snapshot, if any; at shutdown.
void freeQuitSnapshot();

#endif
