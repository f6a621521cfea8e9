// The options a player may give, on the command line and in the settings
// file. One table says of each its name, the kind of value it takes and
// which values, its default, its line of help and where it may be given;
// the command line, the settings file, --help and --write-config all read
// it, so a new option is one row there (and its field in Options).
#ifndef TOSSARO_APP_OPTIONS_H
#define TOSSARO_APP_OPTIONS_H

#include <string>
#include <vector>

#include "shell/key_bindings.h"
#include "shell/window.h"

const int kMaxFrameRateCap = 1000;
const int kMaxClipSeconds = 60;
const int kMaxExportFps = 50;  // a frame every 2 ticks, the shortest delay a GIF has

struct Options {
   Options();  // every option at its default
   int scale;  // 1 to kMaxScale, or kAutoScale
   bool fullscreen;
   int maxFps;  // frames drawn a second at most; 0 for no limit
   bool mute;  // no sound, and no audio device opened
   int volume;  // 0 to kMaxVolume
   std::string scoresFile;  // the high-score file; empty for where the game keeps it
   bool marks;  // each ball and target shows the symbols of its colours
   bool fpsCounter;  // the frames of the last second written at the top left
   bool howToPlay;  // How to play comes before the next game
   std::string configFile;  // the settings file to read; empty for the usual one
   std::string replayFile;  // a replay to watch instead of playing; empty for none
   bool verify;  // the replay is played without a window and its end printed
   std::string capturesFolder;  // where captures go; empty for the pictures folder's Tossaro
   int clipSeconds;  // how much of the game a clip (F9) holds, 1 to kMaxClipSeconds
   std::string gifFile;  // --replay exported as an animation into this file; empty for none
   std::string framesFolder;  // --replay exported as numbered PPM files there; empty for none
   int fromTick, toTick;  // the part exported, in ticks from the start; toTick -1 for the end
   int exportFps;  // frames a second of an export, 1 to kMaxExportFps
   bool attract;  // the menu left alone plays a demo
   std::string leaderboard;  // the leaderboard's address; empty for none
   std::string submitFile;  // a replay to send to the leaderboard instead of playing; empty for none
   std::string submitName;  // the name it is sent under; empty for its own
   KeyBindings keys;
};

// What the command line asks for.
enum class Request { Play, Help, Version, WriteConfig, Mistake };

enum class OptionKind {
   Switch,  // on or off; alone on the command line it means on
   Number,  // a whole number in a range, or a word for one value outside it
   Path,  // a file's or a folder's name, a name or an address, not empty; or the word for none
   Key,  // a key's name, for one action of play
   Answer,  // prints an answer and exits, whatever follows it (--help)
   Task,  // something to do instead of playing (--write-config)
};

// Where an option may be given.
enum class OptionPlace { CommandLine, SettingsFile, Both };

struct Option {
   const char *name;  // after -- on the command line, with _ for - in the file; null for a key
   OptionKind kind;
   OptionPlace place;
   std::string help;  // what it does, without a capital or a full stop
   const char *value = "";  // the value's name in the help, such as "N" or "FILE"
   int lo = 0, hi = 0;  // a number's range
   const char *word = nullptr;  // a number's other value, such as "auto", or a path's for none
   int wordValue = 0;  // what that word stands for, for a number
   int byDefault = 0;  // a number's or a switch's default (0 or 1)
   // A number of seconds with up to two decimals, kept in hundredths (ticks);
   // lo and hi are whole seconds.
   bool hundredths = false;
   int Options::*number = nullptr;
   bool Options::*flag = nullptr;
   std::string Options::*path = nullptr;
   PlayAction action = kPlayActions;  // a key's
   Request request = Request::Play;  // an answer's or a task's
};

// Every option, in the order that --help and the settings file show them.
const std::vector<Option> &optionTable();

// The option of this name on the command line (without its dashes), or
// null.
const Option *commandLineOption(const std::string &name);

// The option of this entry of the settings file, in any case, or null.
const Option *settingsEntry(const std::string &name);

// The option's name in the settings file: max_fps, left_tilt_left.
std::string entryName(const Option &option);

// Sets the option from its text. False, leaving it unchanged, when the
// text is none of the values it takes.
bool setOption(Options *options, const Option &option, const std::string &text);

// The values an option takes, such as "1 to 4, or auto" or "on or off".
std::string acceptedValues(const Option &option);

// The option's value as the settings file writes it: "auto", "on", "80".
std::string valueText(const Option &option, const Options &options);

#endif
