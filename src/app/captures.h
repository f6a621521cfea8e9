// Captures of the game: the picture key (F12, and a controller's Guide
// button) saves the picture on the screen as a still GIF in the captures
// folder, on any screen. The picture is copied as it is drawn and written
// on a thread of its own, so the game runs on meanwhile; a notice over the
// picture (never in it) names the file, or says why there is none, for
// two seconds.
#ifndef TOSSARO_APP_CAPTURES_H
#define TOSSARO_APP_CAPTURES_H

#include <allegro.h>

#include <string>

// Where captures go, as the settings and the command line chose it
// (empty: the player's pictures folder). Set once at start-up.
extern std::string chosenCapturesFolder;

// Once a tick: a press of the capture keys asks for a capture, and the
// notice's time runs down.
void readCaptureKeys();

// Once a frame, on the picture the screen drew before anything else is
// drawn over it: takes a copy of it when one was asked for, and draws
// the notice of the last capture over it.
void captureFrame(BITMAP *picture);

// Waits for a picture still being written (at exit).
void finishCaptures();

// Writes `picture` into `path` as a still GIF, its colours exact when it
// has 256 or fewer. Returns an empty string, or why it could not.
std::string saveStill(const std::string &path, BITMAP *picture);

// The notice now shown, empty for none; for tests.
const std::string &captureNotice();

#endif
