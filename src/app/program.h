// The whole program: start-up, the main loop, shutdown.
#ifndef TOSSARO_APP_PROGRAM_H
#define TOSSARO_APP_PROGRAM_H

#include "app/command_line.h"

// Runs the game with these options, those of the settings file `settings`
// (none when empty) under the command line's; the game writes the entries
// it changes there. Returns the exit status: 0, or 1 after one line on
// stderr naming the start-up step or file that failed, or why the high
// scores could not be saved at exit.
int runProgram(const Options &options, const std::string &settings);

// The whole program from its command line: the settings file under it,
// then the help, the version, writing the settings, or the game. Returns
// the exit status.
int runTossaro(int argc, const char *const *argv);

#endif
