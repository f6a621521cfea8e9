// How to play, drawn with the game's own art: the hands and their keys as
// bound, what a target asks and is worth, the two bars, and how a game
// ends. F1 on the menu opens it; it also comes before a player's first
// game, once.
#ifndef TOSSARO_SCREENS_HOW_TO_PLAY_H
#define TOSSARO_SCREENS_HOW_TO_PLAY_H

// Whether the next game is preceded by this screen. Set at start-up from
// the settings; lowered here once it has been shown so.
extern bool howToPlayFirst;

// Told when the screen has been shown before a game, so that the settings
// keep it from showing so again; null for no one. Set at start-up.
extern void (*howToPlayShown)();

// Shows the screen: before a game (Enter plays it, Esc goes back to the
// menu), or on its own (any of Esc, Enter, Space or F1 goes back).
void openHowToPlay(bool beforeGame);

void updateHowToPlay();
void drawHowToPlay();

#endif
