// Where the game's files are: graphics/ and sounds/ in the working
// directory when it has them (a source tree), else the installed data
// folder beside the program; and where the high scores are kept for each.
#ifndef TOSSARO_APP_DATA_FOLDER_H
#define TOSSARO_APP_DATA_FOLDER_H

#include <string>

struct DataFolder {
   // The folder holding graphics/ and sounds/, as a prefix for their paths:
   // empty for the working directory, else ending in '/'.
   std::string prefix;
   std::string scoresFile;  // hiscores.bin where this run keeps it
   std::string problem;  // when neither place has graphics/: one line naming both
};

// The installed data folder of a program at `executable`: the games
// layout, the program in PREFIX/games and its data in
// PREFIX/share/games/tossaro.
std::string installedDataFolder(const std::string &executable);

// The game's folder among the player's own: $VARIABLE/tossaro, or
// $HOME/UNDER_HOME/tossaro when the variable is unset or empty
// (XDG_DATA_HOME and .local/share, XDG_CONFIG_HOME and .config).
std::string userFolder(const char *variable, const char *underHome);

// The table of an installed game: $XDG_DATA_HOME/tossaro/hiscores.bin, or
// under ~/.local/share when the variable is unset or empty.
std::string installedScoresFile();

// Looks in the working directory, then beside the running program.
DataFolder findDataFolder();

#endif
