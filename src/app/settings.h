// The player's settings file: the options the table lets it hold and the
// play keys, one `entry = value` a line, read at start-up with the
// library's configuration routines, and written whole when asked
// (--write-config), or entry by entry as the game changes them.
#ifndef TOSSARO_APP_SETTINGS_H
#define TOSSARO_APP_SETTINGS_H

#include <cstddef>
#include <string>
#include <vector>

#include "app/options.h"

// The most a settings file may hold; one written whole is under 2 KiB.
const size_t kMostSettingsBytes = 64 * 1024;

// The lines said of a file's faults before the rest are only counted.
const size_t kSettingsProblemsSaid = 5;

// $XDG_CONFIG_HOME/tossaro/tossaro.cfg, or under ~/.config when the
// variable is unset, empty or relative; empty without a home folder.
std::string settingsFile();

struct SettingsRead {
   bool missing = false;  // there is no such file
   std::vector<std::string> problems;  // one line each, naming the file and the line
};

// Sets `options` from the file's entries; the first of an entry given
// twice counts. A missing file changes nothing and is no problem. A file
// that cannot be read, or is larger than kMostSettingsBytes, changes
// nothing and is one problem. Else each entry that is left out is one:
// a bad value (its default stays), an unknown entry, one given before,
// one under a [section] header (the file has none), and each line that
// is not UTF-8 text; past the first few, such lines are only counted, in
// one more. A UTF-8 byte-order mark at the start is passed over.
SettingsRead readSettings(const std::string &path, Options *options);

// The file's text for these options: every entry, each with a comment.
std::string settingsText(const Options &options);

// Replaces the file whole with settingsText, making its folder when
// missing. Returns an empty string, or one line saying what failed: a
// value that the file would read back as another (a folder's name with a
// line break, a NUL or a blank at either end) is refused, and nothing is
// written.
std::string writeSettings(const std::string &path, const Options &options);

// Writes the entries whose values `after` changes from `before` into the
// file (made when missing), through a temporary file: each in place of
// the first line that gives it, the others added after the last entry
// (before any [section] header); every other line, comments included,
// stays as it was. Returns an empty string, or one line saying what failed;
// what would not read back as written is refused, and nothing is written.
std::string updateSettings(const std::string &path, const Options &before, const Options &after);

#endif
