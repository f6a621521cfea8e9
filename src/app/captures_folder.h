// Where pictures and clips of the game go, and their names: the captures
// folder (the player's pictures folder, unless the settings name one) and
// a name of the date and time that never takes an existing file's.
#ifndef TOSSARO_APP_CAPTURES_FOLDER_H
#define TOSSARO_APP_CAPTURES_FOLDER_H

#include <ctime>
#include <string>

// Where captures go, as the settings and the command line chose it
// (empty: the player's pictures folder). Set once at start-up.
extern std::string chosenCapturesFolder;

// The pictures folder as `xdg-user-dir PICTURES` reports it, from the text
// of user-dirs.dirs: the last XDG_PICTURES_DIR line whose value is
// "$HOME/..." or an absolute path; HOME/Pictures when there is none. Empty
// when it needs a home and `home` is empty.
std::string picturesFolder(const std::string &userDirs, const std::string &home);

// The captures folder: `chosen` when not empty (the settings' or the
// command line's; ~/ at its start is the home folder), else Tossaro in the pictures folder, from
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config/ when the variable is unset,
// empty or relative). Empty when there is no home folder either.
std::string capturesFolder(const std::string &chosen);

// tossaro-2026-12-07-174512.gif in local time; -clip before .gif for a
// clip, and -2, -3 ... for the later captures of one second (`nth` 2, 3).
std::string captureName(time_t when, bool clip, int nth);

struct CaptureFile {
   std::string path;  // the name chosen, where nothing stands yet
   std::string problem;  // when none could be: one line saying why
};

// Makes the folder when missing and chooses the first of the capture's
// names that is free: no file has it, nor is one being written for it
// (its hidden temporary beside it). Nothing is made there: the writer
// owns the name, so that a writer that fails leaves nothing.
CaptureFile chooseCaptureFile(const std::string &folder, time_t when, bool clip);

#endif
