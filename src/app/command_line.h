// The command line: the options a player may give, and the answers to
// --help, --version and a mistake. Read before any window opens.
#ifndef TOSSARO_APP_COMMAND_LINE_H
#define TOSSARO_APP_COMMAND_LINE_H

#include <cstdio>
#include <string>

#include "app/options.h"

struct CommandLine {
   Request request = Request::Play;
   Options options;
   std::string mistake;  // for Request::Mistake: what was wrong, one line
};

// The options over `base` (the settings file's, or the defaults).
CommandLine parseCommandLine(int argc, const char *const *argv, const Options &base = Options());

// A command line that is a mistake: `what` and the usage, status 2.
CommandLine commandLineMistake(const std::string &what);

// Prints what a request other than Play asks for: the help or the version
// on `out`; the mistake and the usage on `err`. Returns the exit status:
// 0, or 2 after a mistake.
int answerCommandLine(const CommandLine &line, FILE *out, FILE *err);

#endif
