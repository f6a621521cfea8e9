// The command line: the options a player may give, and the answers to
// --help, --version and a mistake. Read before any window opens.
#ifndef TOSSARO_APP_COMMAND_LINE_H
#define TOSSARO_APP_COMMAND_LINE_H

#include <cstdio>
#include <string>

#include "audio/mixer.h"

// The scale of --scale auto: the largest whose window fits the desktop.
const int kAutoScale = 0;
const int kMaxScale = 4;
const int kMaxFrameRateCap = 1000;

struct Options {
   int scale = 1;  // 1 to kMaxScale, or kAutoScale
   bool fullscreen = false;
   int maxFps = 0;  // frames drawn a second at most; 0 for no limit
   bool mute = false;  // no sound, and no audio device opened
   int volume = kDefaultVolume;  // 0 to kMaxVolume
   std::string scoresFile;  // the high-score file; empty for where the game keeps it
};

enum class Request { Play, Help, Version, Mistake };

struct CommandLine {
   Request request = Request::Play;
   Options options;
   std::string mistake;  // for Request::Mistake: what was wrong, one line
};

CommandLine parseCommandLine(int argc, const char *const *argv);

// Prints what a request other than Play asks for: the help or the version
// on `out`; the mistake and the usage on `err`. Returns the exit status:
// 0, or 2 after a mistake.
int answerCommandLine(const CommandLine &line, FILE *out, FILE *err);

#endif
