#include "command_line.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/mixer.h"

namespace {

const char kUsage[] =
   "usage: tossaro [--scale N|auto] [--fullscreen] [--max-fps N] [--mute]\n"
   "               [--volume N] [--scores FILE] [--marks] [--config FILE]\n"
   "               [--write-config]\n"
   "       tossaro --help | --version\n";

const char kHelpBeforeThePlayKeys[] =
   "\n"
   "Keep three balls in the air with two hands and hit the coloured targets.\n"
   "\n"
   "options:\n"
   "  --scale N|auto  a window N times as wide and high, N from 1 to 4 (default 1);\n"
   "                  auto: the largest that fits the desktop\n"
   "  --fullscreen    the whole screen at the window's size, where the display\n"
   "                  allows it; a window otherwise\n"
   "  --max-fps N     draw at most N frames a second, N from 1 to 1000\n"
   "                  (default: as many as the machine can)\n"
   "  --mute          no sound; no audio device is opened\n"
   "  --volume N      the sound's volume, N from 0 to 100 (default 80)\n"
   "  --scores FILE   keep the high scores in FILE\n"
   "  --marks         each ball and target shows the symbols of its colours:\n"
   "                  red a circle, green a triangle, blue a square\n"
   "  --config FILE   read the settings from FILE instead of\n"
   "                  $XDG_CONFIG_HOME/tossaro/tossaro.cfg\n"
   "  --write-config  write the settings in force (the file's, and the command\n"
   "                  line's over them) into the settings file, and exit\n"
   "  --help          show this text\n"
   "  --version       show the version\n"
   "\n"
   "keys:\n"
   "  title           any key, once the title is fully shown, skips to the menu\n"
   "  menu            Up/Down move, Enter or Space choose, P play, H high scores,\n"
   "                  M mute or unmute, Esc quit\n";

const char kHelpAfterThePlayKeys[] =
   "  quit to menu?   Y yes; N or Esc back to the game\n"
   "  game over       Enter, Space or Esc go on\n"
   "  name entry      type a name, Backspace deletes, Enter stores it, Esc gives up\n"
   "  high scores     Enter, Space or Esc back to the menu\n"
   "\n"
   "game controller (any that SDL knows; more mappings in\n"
   "$XDG_CONFIG_HOME/tossaro/gamecontrollerdb.txt):\n"
   "  menu            D-pad or left stick up/down move, A chooses, Back quits\n"
   "  playing         left stick or D-pad: left hand (tilt, power); right stick:\n"
   "                  right hand; Start asks whether to quit to the menu; Back\n"
   "                  starts a new game\n"
   "  quit to menu?   A yes; B or Start no\n"
   "  game over,\n"
   "  high scores     A, B or Start go on\n"
   "  name entry      D-pad up/down change the last character, right or A adds\n"
   "                  one, left or B takes one back, Start stores, Back gives up\n"
   "\n"
   "Installed, the game reads its art and sounds from the data folder beside\n"
   "the program (../share/games/tossaro) and keeps the high scores in\n"
   "$XDG_DATA_HOME/tossaro/hiscores.bin (~/.local/share/tossaro/ when\n"
   "XDG_DATA_HOME is unset, empty or relative), whatever folder it starts in.\n"
   "Without that folder (a source tree) it reads graphics/ and sounds/ in the\n"
   "working directory, and keeps the high scores in hiscores.bin there.\n"
   "\n"
   "settings: $XDG_CONFIG_HOME/tossaro/tossaro.cfg (~/.config/tossaro/ when\n"
   "XDG_CONFIG_HOME is unset, empty or relative) may hold scale, fullscreen,\n"
   "max_fps, volume, mute and marks, and the play keys: left_tilt_left,\n"
   "left_tilt_right, left_power_up, left_power_down, the same four of right_,\n"
   "new_game, quit_prompt and quit. The command line wins over the file.\n"
   "\n"
   "exit status: 0 when the game ends normally; 1 when it cannot start or the\n"
   "high scores cannot be saved; 2 for a mistake on the command line.\n";

// A key's name as the help shows it: "A", "Left", "Space".
std::string shown(int scancode)
{
   std::string name = keyName(scancode);
   for (size_t i = 1; i < name.size(); i++)
      name[i] = char(tolower(static_cast<unsigned char>(name[i])));
   return name;
}

// The keys of play as bound, in the help's two columns.
std::string playKeysHelp(const KeyBindings &b)
{
   const auto key = [&](PlayAction a) { return shown(b.keys[a]); };
   const std::string text =
      "left hand: " + key(LeftTiltLeft) + "/" + key(LeftTiltRight) + " tilt, " +
      key(LeftPowerUp) + "/" + key(LeftPowerDown) + " power; right hand: " + key(RightTiltLeft) +
      "/" + key(RightTiltRight) + " tilt, " + key(RightPowerUp) + "/" + key(RightPowerDown) +
      " power; " + key(NewGame) + " new game, " + key(OpenQuitPrompt) +
      " asks whether to quit to the menu, " + key(QuitGame) + " quit, M mute or unmute";
   const size_t kWidth = 78;
   const std::string indent(18, ' ');
   std::string out = "  playing         ", line;
   size_t from = 0;
   while (from < text.size()) {
      size_t to = text.find(' ', from);
      if (to == std::string::npos)
         to = text.size();
      const std::string word = text.substr(from, to - from);
      if (!line.empty() && indent.size() + line.size() + 1 + word.size() > kWidth) {
         out += line + "\n" + indent;
         line.clear();
      }
      line += (line.empty() ? "" : " ") + word;
      from = to + 1;
   }
   return out + line + "\n";
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

CommandLine mistake(const std::string &what)
{
   CommandLine line;
   line.request = Request::Mistake;
   line.mistake = what;
   return line;
}

// 0 once the answer is out; 1, with a line on err, when it could not be
// written (a full disk, a closed pipe).
int written(FILE *out, FILE *err)
{
   if (fflush(out) == 0 && !ferror(out))
      return 0;
   fprintf(err, "tossaro: cannot write the answer: %s\n", strerror(errno));
   return 1;
}

}  // namespace

std::string applyOption(Options *options, const std::string &name, const std::string &value)
{
   if (name == "scale") {
      if (value == "auto")
         options->scale = kAutoScale;
      else if (!readNumber(value, 1, kMaxScale, &options->scale))
         return "1 to " + std::to_string(kMaxScale) + ", or auto";
   } else if (name == "max-fps" || name == "max_fps") {
      if (!readNumber(value, 1, kMaxFrameRateCap, &options->maxFps))
         return "1 to " + std::to_string(kMaxFrameRateCap);
   } else if (name == "volume") {
      if (!readNumber(value, 0, kMaxVolume, &options->volume))
         return "0 to " + std::to_string(kMaxVolume);
   } else if (name == "fullscreen" || name == "mute" || name == "marks") {
      bool &flag = name == "mute" ? options->mute
                   : name == "marks" ? options->marks
                                     : options->fullscreen;
      if (value == "on" || value == "yes" || value == "true" || value == "1")
         flag = true;
      else if (value == "off" || value == "no" || value == "false" || value == "0")
         flag = false;
      else
         return "on or off";
   } else {
      for (int a = 0; a < kPlayActions; a++) {
         if (name == actionName(PlayAction(a))) {
            const int key = keyOfName(value);
            if (key < 0)
               return "a key's name, such as A, F1, LEFT or SPACE";
            options->keys.keys[a] = key;
            return std::string();
         }
      }
      return "no such setting";
   }
   return std::string();
}

CommandLine parseCommandLine(int argc, const char *const *argv, const Options &base)
{
   CommandLine line;
   line.options = base;
   bool writeConfig = false;
   for (int i = 1; i < argc; i++) {
      std::string name = argv[i], value;
      const size_t equals = name.find('=');
      const bool inlineValue = name.compare(0, 2, "--") == 0 && equals != std::string::npos;
      if (inlineValue) {
         value = name.substr(equals + 1);
         name.erase(equals);
      }
      if (!inlineValue && (name == "--help" || name == "--version")) {
         line.request = name == "--help" ? Request::Help : Request::Version;
         return line;
      }
      if (!inlineValue &&
          (name == "--fullscreen" || name == "--mute" || name == "--marks")) {
         applyOption(&line.options, name.substr(2), "on");
         continue;
      }
      if (!inlineValue && name == "--write-config") {
         writeConfig = true;
         continue;
      }
      if (name != "--scale" && name != "--max-fps" && name != "--volume" && name != "--scores" &&
          name != "--config")
         return mistake("unknown option " + std::string(argv[i]));
      if (!inlineValue) {
         if (i + 1 == argc)
            return mistake(name + " needs a value");
         value = argv[++i];
      }
      if (name == "--scores" || name == "--config") {
         if (value.empty())
            return mistake(name + " needs a file name");
         (name == "--scores" ? line.options.scoresFile : line.configFile) = value;
         continue;
      }
      const std::string good = applyOption(&line.options, name.substr(2), value);
      if (!good.empty())
         return mistake("bad value for " + name + ": '" + value + "' (" + good + ")");
   }
   if (writeConfig)
      line.request = Request::WriteConfig;
   return line;
}

int answerCommandLine(const CommandLine &line, FILE *out, FILE *err)
{
   switch (line.request) {
   case Request::Help:
      fprintf(out, "%s%s%s%s", kUsage, kHelpBeforeThePlayKeys,
              playKeysHelp(line.options.keys).c_str(), kHelpAfterThePlayKeys);
      return written(out, err);
   case Request::Version:
      fprintf(out, "tossaro %s\n", TOSSARO_VERSION);
      return written(out, err);
   case Request::Mistake:
      fprintf(err, "tossaro: %s\n%s", line.mistake.c_str(), kUsage);
      return 2;
   case Request::Play:
   case Request::WriteConfig:
      break;
   }
   return 0;
}
