#include "app/options.h"

#include <strings.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/clip.h"
#include "app/shown_text.h"
#include "audio/mixer.h"
#include "screens/attract.h"
#include "screens/watching.h"

namespace {

const OptionPlace kBoth = OptionPlace::Both;
const OptionPlace kCommandLine = OptionPlace::CommandLine;

Option option(const char *name, OptionKind kind, OptionPlace place, const std::string &help)
{
   return {name, kind, place, help};
}

Option switchOption(const char *name, bool Options::*flag, OptionPlace place,
                    const std::string &help, bool byDefault = false)
{
   Option o = option(name, OptionKind::Switch, place, help);
   o.flag = flag;
   o.byDefault = byDefault;
   return o;
}

Option numberOption(const char *name, int Options::*number, int lo, int hi, int byDefault,
                    OptionPlace place, const std::string &help, const char *word = nullptr,
                    int wordValue = 0)
{
   Option o = option(name, OptionKind::Number, place, help);
   o.number = number;
   o.value = "N";
   o.lo = lo;
   o.hi = hi;
   o.byDefault = byDefault;
   o.word = word;
   o.wordValue = wordValue;
   return o;
}

Option secondsOption(const char *name, int Options::*number, int hi, int byDefault,
                     const std::string &help, const char *word = nullptr, int wordValue = 0)
{
   Option o = numberOption(name, number, 0, hi, byDefault, kCommandLine, help, word, wordValue);
   o.value = "S";
   o.hundredths = true;
   return o;
}

Option pathOption(const char *name, std::string Options::*path, OptionPlace place,
                  const std::string &help, const char *value = "FILE")
{
   Option o = option(name, OptionKind::Path, place, help);
   o.path = path;
   o.value = value;
   return o;
}

// Where the stored scores go: an address, or off (the file's undone).
Option leaderboardOption()
{
   Option o = pathOption("leaderboard", &Options::leaderboard, kBoth,
                         "send each game whose name is stored in the table to the leaderboard "
                         "at URL, played again there and ranked; off: nothing leaves the "
                         "machine",
                         "URL");
   o.word = "off";
   return o;
}

Option keyOption(PlayAction action, const std::string &help)
{
   Option o = option(nullptr, OptionKind::Key, OptionPlace::SettingsFile, help);
   o.action = action;
   return o;
}

Option requestOption(const char *name, OptionKind kind, Request request, const std::string &help)
{
   Option o = option(name, kind, kCommandLine, help);
   o.request = request;
   return o;
}

// A whole decimal number from lo to hi, nothing else.
bool readNumber(const std::string &text, int lo, int hi, int *value)
{
   if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
      return false;
   errno = 0;
   const long n = strtol(text.c_str(), nullptr, 10);
   if (errno != 0 || n < lo || n > hi)
      return false;
   *value = int(n);
   return true;
}

// Seconds from lo to hi with up to two decimals, as hundredths.
bool readHundredths(const std::string &text, int lo, int hi, int *value)
{
   const size_t point = text.find('.');
   int whole, part = 0;
   const std::string decimals = point == std::string::npos ? "" : text.substr(point + 1);
   if (!readNumber(text.substr(0, point), lo, hi, &whole) ||
       (point != std::string::npos && (decimals.empty() || decimals.size() > 2 ||
                                       !readNumber(decimals, 0, 99, &part))))
      return false;
   part *= decimals.size() == 1 ? 10 : 1;
   if (whole == hi && part > 0)
      return false;
   *value = whole * 100 + part;
   return true;
}

bool oneOf(const std::string &text, std::initializer_list<const char *> words)
{
   for (const char *word : words) {
      if (strcasecmp(text.c_str(), word) == 0 && text.size() == strlen(word))
         return true;
   }
   return false;
}

}  // namespace

const std::vector<Option> &optionTable()
{
   static const std::vector<Option> table = {
      numberOption("scale", &Options::scale, 1, kMaxScale, 1, kBoth,
                   "a window N times as wide and high, every pixel of the game an N x N block; "
                   "auto: the largest that fits the desktop",
                   "auto", kAutoScale),
      switchOption("fullscreen", &Options::fullscreen, kBoth,
                   "the whole screen at the window's size, where the display allows it; a window "
                   "otherwise"),
      numberOption("max-fps", &Options::maxFps, 1, kMaxFrameRateCap, 0, kBoth,
                   "draw at most N frames a second, the game running at the same speed either "
                   "way; off: as many as the machine can",
                   "off", 0),
      switchOption("mute", &Options::mute, kBoth, "no sound; no audio device is opened"),
      numberOption("volume", &Options::volume, 0, kMaxVolume, kDefaultVolume, kBoth,
                   "the sound's volume"),
      pathOption("scores", &Options::scoresFile, kCommandLine, "keep the high scores in FILE"),
      switchOption("attract", &Options::attract, kBoth,
                   "after " + counted(kAttractSeconds) +
                      " seconds of quiet in the menu, a replay from the high scores plays as a "
                      "silent demo until a key is pressed",
                   true),
      switchOption("how-to-play", &Options::howToPlay, kBoth,
                   "How to play comes before the next game; the game turns it off in the "
                   "settings file once it has",
                   true),
      switchOption("fps-counter", &Options::fpsCounter, kBoth,
                   "the frames drawn in the last second, at the top left of every screen (never "
                   "in a capture)",
                   true),
      switchOption("marks", &Options::marks, kBoth,
                   "each ball and target shows the symbols of its colours: red a disc, green a "
                   "triangle, blue a square"),
      leaderboardOption(),
      pathOption("submit", &Options::submitFile, kCommandLine,
                 "send the replay in FILE (a row's of the table, or any with --name) to the "
                 "leaderboard, print its rank there, and exit; status 1, with the reason, when "
                 "it is not taken"),
      pathOption("name", &Options::submitName, kCommandLine,
                 "with --submit: send the replay under NAME", "NAME"),
      pathOption("config", &Options::configFile, kCommandLine,
                 "read the settings from FILE instead of $XDG_CONFIG_HOME/tossaro/tossaro.cfg"),
      pathOption("replay", &Options::replayFile, kCommandLine,
                 "watch the replay in FILE in the window, then exit: Space pauses, Right runs " +
                    counted(kFastSteps) + " times as fast while held, Left goes back " +
                    counted(kBackSeconds) + " seconds, Esc leaves"),
      switchOption("verify", &Options::verify, kCommandLine,
                   "with --replay: play it without a window, sound or display, as fast as the "
                   "machine can, and print its score, ticks and length; status 1 when the file "
                   "is bad or the game drifts from the recording"),
      pathOption("captures", &Options::capturesFolder, kBoth,
                 "save pictures and clips in DIR, made when missing; by default Tossaro in the "
                 "player's pictures folder",
                 "DIR"),
      numberOption("clip-seconds", &Options::clipSeconds, 1, kMaxClipSeconds, kDefaultClipSeconds,
                   kBoth, "how many of the last seconds of the game F9 saves as a clip"),
      pathOption("gif", &Options::gifFile, kCommandLine,
                 "with --replay: render it without a window into an animated GIF, FILE, and "
                 "exit"),
      pathOption("frames", &Options::framesFolder, kCommandLine,
                 "with --replay: render it without a window into numbered binary PPM files "
                 "(000001.ppm, ...) in DIR, made when missing, and exit",
                 "DIR"),
      secondsOption("from", &Options::fromTick, 86400, 0,
                    "with --gif or --frames: start S seconds into the replay"),
      secondsOption("to", &Options::toTick, 86400, -1,
                    "with --gif or --frames: end S seconds into the replay; end: at its end",
                    "end", -1),
      numberOption("fps", &Options::exportFps, 1, kMaxExportFps, kMaxExportFps, kCommandLine,
                   "with --gif or --frames: frames a second"),
      requestOption("write-config", OptionKind::Task, Request::WriteConfig,
                    "write the settings in force (the file's, and the command line's over "
                    "them) into the settings file, and exit"),
      requestOption("help", OptionKind::Answer, Request::Help, "show this text"),
      requestOption("version", OptionKind::Answer, Request::Version, "show the version"),
      keyOption(LeftTiltLeft, "the left hand tilts to the left"),
      keyOption(LeftTiltRight, "the left hand tilts to the right"),
      keyOption(LeftPowerUp, "the left hand's power goes up"),
      keyOption(LeftPowerDown, "the left hand's power goes down"),
      keyOption(RightTiltLeft, "the right hand tilts to the left"),
      keyOption(RightTiltRight, "the right hand tilts to the right"),
      keyOption(RightPowerUp, "the right hand's power goes up"),
      keyOption(RightPowerDown, "the right hand's power goes down"),
      keyOption(NewGame, "a new game"),
      keyOption(OpenQuitPrompt, "asks whether to quit to the menu"),
      keyOption(QuitGame, "quits the program"),
      keyOption(SavePicture, "saves the picture on the screen, on any screen"),
      keyOption(SaveClip, "saves the last seconds of the game in play as a clip"),
      keyOption(PauseGame, "pauses the game in play, and goes on"),
   };
   return table;
}

Options::Options() : keys(kDefaultBindings)
{
   for (const Option &o : optionTable()) {
      if (o.number)
         this->*o.number = o.byDefault;
      if (o.flag)
         this->*o.flag = o.byDefault != 0;
   }
}

const Option *commandLineOption(const std::string &name)
{
   for (const Option &o : optionTable()) {
      if (o.place != OptionPlace::SettingsFile && name == o.name)
         return &o;
   }
   return nullptr;
}

const Option *settingsEntry(const std::string &name)
{
   for (const Option &o : optionTable()) {
      if (o.place != OptionPlace::CommandLine && oneOf(name, {entryName(o).c_str()}))
         return &o;
   }
   return nullptr;
}

std::string entryName(const Option &o)
{
   if (o.kind == OptionKind::Key)
      return actionName(o.action);
   std::string name = o.name;
   for (char &c : name)
      c = c == '-' ? '_' : c;
   return name;
}

bool setOption(Options *options, const Option &o, const std::string &text)
{
   switch (o.kind) {
   case OptionKind::Switch:
      if (oneOf(text, {"on", "yes", "true", "1"}))
         options->*o.flag = true;
      else if (oneOf(text, {"off", "no", "false", "0"}))
         options->*o.flag = false;
      else
         return false;
      return true;
   case OptionKind::Number:
      if (o.word && oneOf(text, {o.word})) {
         options->*o.number = o.wordValue;
         return true;
      }
      if (o.hundredths)
         return readHundredths(text, o.lo, o.hi, &(options->*o.number));
      return readNumber(text, o.lo, o.hi, &(options->*o.number));
   case OptionKind::Path:
      if (o.word && oneOf(text, {o.word})) {
         (options->*o.path).clear();
         return true;
      }
      // No name holds a NUL: the system would end it there.
      if (text.empty() || text.find('\0') != std::string::npos)
         return false;
      if (o.value == std::string("URL") && text.compare(0, 7, "http://") != 0 &&
          text.compare(0, 8, "https://") != 0)
         return false;
      options->*o.path = text;
      return true;
   case OptionKind::Key: {
      const int key = keyOfName(text);
      if (key < 0)
         return false;
      options->keys.keys[o.action] = key;
      return true;
   }
   case OptionKind::Answer:
   case OptionKind::Task:
      break;
   }
   return false;
}

std::string acceptedValues(const Option &o)
{
   switch (o.kind) {
   case OptionKind::Switch:
      return "on or off";
   case OptionKind::Number:
      return std::to_string(o.lo) + " to " + std::to_string(o.hi) +
             (o.word ? std::string(", or ") + o.word : "");
   case OptionKind::Path:
      if (o.value == std::string("URL"))
         return "an http:// or https:// address, or off";
      if (o.value == std::string("NAME"))
         return "a name";
      return o.value == std::string("DIR") ? "a folder's name" : "a file name";
   case OptionKind::Key:
      return "a key's name, such as A, F1, LEFT or SPACE";
   case OptionKind::Answer:
   case OptionKind::Task:
      break;
   }
   return "no value";
}

std::string valueText(const Option &o, const Options &options)
{
   switch (o.kind) {
   case OptionKind::Switch:
      return options.*o.flag ? "on" : "off";
   case OptionKind::Number:
      if (o.word && options.*o.number == o.wordValue)
         return o.word;
      if (o.hundredths) {
         const int n = options.*o.number;
         char text[24];
         snprintf(text, sizeof text, n % 100 ? "%d.%02d" : "%d", n / 100, n % 100);
         return text;
      }
      return std::to_string(options.*o.number);
   case OptionKind::Path:
      return o.word && (options.*o.path).empty() ? o.word : options.*o.path;
   case OptionKind::Key:
      return keyName(options.keys.keys[o.action]);
   case OptionKind::Answer:
   case OptionKind::Task:
      break;
   }
   return std::string();
}
