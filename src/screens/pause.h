// A game paused by its player: the field frozen under "Paused", the game's
// tick not run (so its energy does not drain), until the pause key again
// goes on or Esc asks whether to quit to the menu.
#ifndef TOSSARO_SCREENS_PAUSE_H
#define TOSSARO_SCREENS_PAUSE_H

void updatePause();
void drawPause();

#endif
