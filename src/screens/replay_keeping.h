// Every game of the run recorded, and its replay kept beside the table:
// last.rpl once the game is left, a row's own file once its name is
// stored. Files are written between ticks and never while a game is in
// play, so that no tick of a game waits for one.
#ifndef TOSSARO_SCREENS_REPLAY_KEEPING_H
#define TOSSARO_SCREENS_REPLAY_KEEPING_H

#include <optional>
#include <string>

#include "scores/replay_shelf.h"
#include "shell/screen_state.h"

// Records every game played from the keys from now on, and keeps their
// replays in replays/ beside the table, where the files of rows that a
// save of the table has left out are removed. A table kept in memory has
// no folder of ours: its games are recorded (for clips), and kept nowhere.
void startKeepingReplays();

// After a tick that began on the screen `before`: whether it stored a
// name.
void noteTick(ScreenState before);

// Between the ticks and the frame: ends the recording of a game that has
// been left, and writes (and removes) what waits when no game is in play.
void keepReplays();

// At exit, after the table's last save: the game in play ends, and what
// waits is written (and removed).
void stopKeepingReplays();

// Told of each row's replay as its name is stored (the leaderboard's
// sender, when the player chose one); null for none.
extern void (*rowReplayKept)(const Replay &replay);

// The game in play (or paused on the quit prompt) as recorded so far;
// none when no game is recorded.
std::optional<Replay> gameSoFar();

// The replays kept, for the table screen; null when none are.
const ReplayShelf *replayShelf();

// Whether the last replay written failed (said on stderr), until one is
// written again: the table screen says so too.
bool replaysUnwritten();

#endif
