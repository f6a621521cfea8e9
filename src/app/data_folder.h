// Where the game's files are: the installed data folder beside the
// program when there is one, else graphics/ and sounds/ in the working
// directory (a source tree); and where the high scores are kept for each.
#ifndef TOSSARO_APP_DATA_FOLDER_H
#define TOSSARO_APP_DATA_FOLDER_H

#include <sys/types.h>

#include <string>

struct DataFolder {
   // The folder holding graphics/ and sounds/, as a prefix for their paths:
   // empty for the working directory, else ending in '/'.
   std::string prefix;
   std::string scoresFile;  // hiscores.bin where this run keeps it; empty: nowhere
   std::string problem;  // when neither place has graphics/: one line naming both
};

// The installed data folder of a program at `executable`: the games
// layout, the program in PREFIX/games and its data in
// PREFIX/share/games/tossaro.
std::string installedDataFolder(const std::string &executable);

// The player's home folder: `home` when it is an absolute path, else the
// password database's for `user` (a relative HOME would put the player's
// files under whatever folder the game starts in); empty when neither has
// one.
std::string homeFolder(const char *home, uid_t user);

// One of the player's XDG folders: $VARIABLE when it holds an absolute
// path (the XDG rules ignore any other), else HOME/UNDER_HOME; empty when
// there is no home.
std::string userFolder(const char *variable, const char *underHome);

// A file of the game's among the player's own: $VARIABLE/tossaro/NAME when
// the variable holds an absolute path (the XDG rules ignore any other),
// else HOME/UNDER_HOME/tossaro/NAME (XDG_DATA_HOME and .local/share,
// XDG_CONFIG_HOME and .config); empty when there is no home to put it in.
std::string userFile(const char *variable, const char *underHome, const char *name);

// The table of an installed game: $XDG_DATA_HOME/tossaro/hiscores.bin, or
// under ~/.local/share; empty without a home folder.
std::string installedScoresFile();

// The program now running, from /proc; empty when it cannot be read.
std::string runningProgram();

// The data installed beside the program at `executable` when it is there,
// else the working directory's.
DataFolder findDataFolder(const std::string &executable);

#endif
