// The player's settings file: every option of the command line and the
// play keys, read at start-up with the library's configuration routines,
// and written only when asked (--write-config).
#ifndef TOSSARO_APP_SETTINGS_H
#define TOSSARO_APP_SETTINGS_H

#include <string>
#include <vector>

#include "command_line.h"

// $XDG_CONFIG_HOME/tossaro/tossaro.cfg, or under ~/.config when the
// variable is unset, empty or relative; empty without a home folder.
std::string settingsFile();

// Sets `options` from the file's entries. A missing file changes nothing
// and is no problem; an entry with a bad value, or one the game does not
// know, is left out. Returns one line per problem, naming the file, the
// entry and its value (or why the file cannot be read).
std::vector<std::string> readSettings(const std::string &path, Options *options);

// The file's text for these options: every entry, each with a comment.
std::string settingsText(const Options &options);

// Replaces the file whole with settingsText, making its folder when
// missing. Returns an empty string, or one line saying what failed.
std::string writeSettings(const std::string &path, const Options &options);

#endif
