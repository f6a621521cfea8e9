// The question whether to quit to the menu, over a dimmed, frozen game.
#ifndef TOSSARO_SCREENS_QUIT_PROMPT_H
#define TOSSARO_SCREENS_QUIT_PROMPT_H

#include <allegro.h>

// The dimmed copy of the last frame shown under the question; at most one
// exists, owned here.
extern BITMAP *quitSnapshot;

// Takes the snapshot of the screen and shows the prompt. Called by the
// game when Esc is pressed during play.
void openQuitPrompt();

void updateQuitPrompt();
void drawQuitPrompt();

// Releases the snapshot, if any; at shutdown.
void freeQuitSnapshot();

#endif
