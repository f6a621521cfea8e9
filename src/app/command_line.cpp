#include "command_line.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "audio/mixer.h"

namespace {

const char kUsage[] =
   "usage: tossaro [--scale N|auto] [--fullscreen] [--max-fps N] [--mute]\n"
   "               [--volume N] [--scores FILE]\n"
   "       tossaro --help | --version\n";

const char kHelp[] =
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
   "  --help          show this text\n"
   "  --version       show the version\n"
   "\n"
   "keys:\n"
   "  title           any key, once the title is fully shown, skips to the menu\n"
   "  menu            Up/Down move, Enter or Space choose, P play, H high scores,\n"
   "                  M mute or unmute, Esc quit\n"
   "  playing         left hand: A/D tilt, W/S power; right hand: Left/Right tilt,\n"
   "                  Up/Down power; Space new game, Esc asks whether to quit to\n"
   "                  the menu, Q quit, M mute or unmute\n"
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
   "The game reads its art and sounds from graphics/ and sounds/ in the working\n"
   "directory, and then keeps the high scores in hiscores.bin there. Without\n"
   "them it runs installed: from the data folder beside the program\n"
   "(../share/games/tossaro), keeping the high scores in\n"
   "$XDG_DATA_HOME/tossaro/hiscores.bin (~/.local/share/tossaro/ when\n"
   "XDG_DATA_HOME is unset or empty).\n"
   "\n"
   "exit status: 0 when the game ends normally; 1 when it cannot start or the\n"
   "high scores cannot be saved; 2 for a mistake on the command line.\n";

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

CommandLine parseCommandLine(int argc, const char *const *argv)
{
   CommandLine line;
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
      if (!inlineValue && (name == "--fullscreen" || name == "--mute")) {
         (name == "--mute" ? line.options.mute : line.options.fullscreen) = true;
         continue;
      }
      if (name != "--scale" && name != "--max-fps" && name != "--volume" && name != "--scores")
         return mistake("unknown option " + std::string(argv[i]));
      if (!inlineValue) {
         if (i + 1 == argc)
            return mistake(name + " needs a value");
         value = argv[++i];
      }
      if (name == "--scores") {
         if (value.empty())
            return mistake("--scores needs a file name");
         line.options.scoresFile = value;
      } else if (name == "--scale") {
         if (value == "auto")
            line.options.scale = kAutoScale;
         else if (!readNumber(value, 1, kMaxScale, &line.options.scale))
            return mistake("bad value for --scale: '" + value + "' (1 to " +
                           std::to_string(kMaxScale) + ", or auto)");
      } else if (name == "--volume") {
         if (!readNumber(value, 0, kMaxVolume, &line.options.volume))
            return mistake("bad value for --volume: '" + value + "' (0 to " +
                           std::to_string(kMaxVolume) + ")");
      } else if (!readNumber(value, 1, kMaxFrameRateCap, &line.options.maxFps)) {
         return mistake("bad value for --max-fps: '" + value + "' (1 to " +
                        std::to_string(kMaxFrameRateCap) + ")");
      }
   }
   return line;
}

int answerCommandLine(const CommandLine &line, FILE *out, FILE *err)
{
   switch (line.request) {
   case Request::Help:
      fprintf(out, "%s%s", kUsage, kHelp);
      return written(out, err);
   case Request::Version:
      fprintf(out, "tossaro %s\n", TOSSARO_VERSION);
      return written(out, err);
   case Request::Mistake:
      fprintf(err, "tossaro: %s\n%s", line.mistake.c_str(), kUsage);
      return 2;
   case Request::Play:
      break;
   }
   return 0;
}
