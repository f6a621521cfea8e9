// A replay watched in the window: the game's own picture, a banner that
// says whose game it is and its score, and a progress line. Space pauses,
// Right runs kFastSteps times as fast while held, Left goes back
// kBackSeconds, Esc leaves. A demo (the menu's attract mode) is silent, says "Demo:
// press any key", and any key or button ends it. Whatever way it ends, the
// screen after it waits until every key is let go, so that a key that
// ended it does nothing else. The replay plays a game of its own: the
// game in play is never touched.
#ifndef TOSSARO_SCREENS_WATCHING_H
#define TOSSARO_SCREENS_WATCHING_H

#include <optional>
#include <string>

#include "game/game.h"
#include "replay/replay_file.h"
#include "shell/screen_state.h"

// How many ticks of the replay Right plays a tick while held.
const int kFastSteps = 4;
// How far back Left goes, in seconds.
const int kBackSeconds = 5;

// Starts showing the replay read from `file`; `then` is the screen after
// it (Exit for the command line's --replay). A playback that drifts from
// the recording stops there, and a line on stderr says where.
void watchReplay(const Replay &replay, const std::string &file, ScreenState then, bool demo);

void updateWatching();
void drawWatching();

// Ends the replay being watched, if any, when the program ends, saying
// where it drifted if it did.
void stopWatching();

// The game of the replay being watched, as shown; null when none is.
const Game *watchedGame();

// The replay being watched up to the tick shown, for a clip of it; none
// when none is.
std::optional<Replay> watchedSoFar();

// Whether the menu's demo shows, or has just ended and waits for the keys
// to be let go: every key only ends it.
bool demoShown();

// Whether any key is held, the controller's included.
bool anyKeyHeld();

#endif
