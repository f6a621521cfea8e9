// The command line: the options a player may give, and the answers to
// --help, --version and a mistake. Read before any window opens.
#ifndef TOSSARO_APP_COMMAND_LINE_H
#define TOSSARO_APP_COMMAND_LINE_H

#include <cstdio>
#include <string>

#include "audio/mixer.h"
#include "key_bindings.h"

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
   bool marks = false;  // each ball and target shows the symbols of its colours
   KeyBindings keys = kDefaultBindings;
};

enum class Request { Play, Help, Version, WriteConfig, Mistake };

struct CommandLine {
   Request request = Request::Play;
   Options options;
   std::string configFile;  // --config: the settings file to read instead of the usual
   std::string mistake;  // for Request::Mistake: what was wrong, one line
};

// The options over `base` (the settings file's, or the defaults).
CommandLine parseCommandLine(int argc, const char *const *argv, const Options &base = Options());

// Sets one option by its name in the settings file (or on the command line
// without its dashes) from its text. Returns an empty string, or what a
// good value is, such as "1 to 4, or auto"; then the option is unchanged.
std::string applyOption(Options *options, const std::string &name, const std::string &value);

// Prints what a request other than Play asks for: the help or the version
// on `out`; the mistake and the usage on `err`. Returns the exit status:
// 0, or 2 after a mistake.
int answerCommandLine(const CommandLine &line, FILE *out, FILE *err);

#endif
