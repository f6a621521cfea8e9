// Captures of the game: the picture key (F12, and a controller's Guide
// button) saves the picture on the screen as a still GIF in the captures
// folder, on any screen. The picture is copied as it is drawn and written
// on a thread of its own, so the game runs on meanwhile. The clip key (F9)
// saves the last seconds of the game in play as an animated GIF there:
// its replay so far is handed to a process of the game's own program
// (--replay with --gif), which renders it at a lower priority while play
// goes on. A notice over the picture (never in it) names the file, or says
// why there is none, for two seconds.
#ifndef TOSSARO_APP_CAPTURES_H
#define TOSSARO_APP_CAPTURES_H

#include <allegro.h>

#include <cstdint>
#include <string>
#include <vector>

// Where captures go, as the settings and the command line chose it
// (empty: the player's pictures folder). Set once at start-up.
extern std::string chosenCapturesFolder;

// How much of the game a clip holds, in seconds; set once at start-up.
extern int clipSeconds;

// The game's own program, which renders clips; set once at start-up.
extern std::string clipProgram;

// The part of a game of `ticks` ticks so far that a clip of `seconds`
// holds: its last seconds, or all of it when it is shorter.
struct ClipPart {
   uint32_t from, to;  // in ticks from the start
};
ClipPart clipPart(uint32_t ticks, int seconds);

// The command line of the process that makes the clip of `part` (whose
// end is that of the replay in the file `replay`) into `gif`.
std::vector<std::string> clipCommand(const std::string &program, const std::string &replay,
                                     const std::string &gif, ClipPart part, bool marks);

// Once a tick, before the screen's: a press of the capture keys asks for a
// capture (a clip is begun at once, of the game as it stands), and the
// notice's time runs down.
void readCaptureKeys();

// Once a frame, on the picture the screen drew before anything else is
// drawn over it: takes a copy of it when one was asked for, and draws
// the notice of the last capture over it.
void captureFrame(BITMAP *picture);

// At exit: waits for a picture still being written; a clip still being
// made is left to its process, and a line says so.
void finishCaptures();

// Writes `picture` into `path` as a still GIF, its colours exact when it
// has 256 or fewer. Returns an empty string, or why it could not.
std::string saveStill(const std::string &path, BITMAP *picture);

// The notice now shown, empty for none; for tests.
const std::string &captureNotice();

#endif
