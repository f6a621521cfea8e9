#include "app/command_line.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "app/shown_text.h"
#include "files/say.h"
#include "screens/watching.h"

namespace {

const char kAbout[] = "Keep three balls in the air with two hands and hit the coloured targets.";

const char kSwitchValues[] =
   "A switch takes a value too, so that the command line can undo the settings file: "
   "--mute=off (or =no, =false, =0; =on, =yes, =true, =1 for on).";

const char kKeysBeforePlay[] =
   "keys:\n"
   "  title           any key, once the title is fully shown, skips to the menu\n"
   "  menu            Up/Down move, Enter or Space choose, P play, H high scores,\n"
   "                  M mute or unmute, Esc quit\n";

const char kKeysAfterPlay[] =
   "  quit to menu?   Y yes; N or Esc back to the game\n"
   "  game over       Enter, Space or Esc go on\n"
   "  name entry      type a name, Backspace deletes, Enter stores it, Esc gives up\n"
   "  high scores     Enter, Space or Esc back to the menu; Up/Down choose a row\n"
   "                  with a replay, R watches it\n";

const char kKeysOfDemoAndController[] =
   "  the menu's demo any key ends it\n"
   "\n"
   "game controller (any that SDL knows; more mappings in\n"
   "$XDG_CONFIG_HOME/tossaro/gamecontrollerdb.txt):\n"
   "  menu            D-pad or left stick up/down move, A chooses, Back quits\n"
   "  playing         left stick or D-pad: left hand (tilt, power); right stick:\n"
   "                  right hand; Start asks whether to quit to the menu; Back\n"
   "                  starts a new game\n"
   "  quit to menu?   A yes; B or Start no\n"
   "  game over,\n"
   "  high scores     A, B or Start go on; on the table, up/down choose a replay\n"
   "                  and X watches it\n"
   "  a replay        A or Start pauses, D-pad right runs fast, left goes back,\n"
   "                  B or Back leaves; any button ends a demo\n"
   "  name entry      D-pad up/down change the last character, right or A adds\n"
   "                  one, left or B takes one back, Start stores, Back gives up\n"
   "  any screen      Guide saves the picture\n"
   "\n"
   "Installed, the game reads its art and sounds from the data folder beside\n"
   "the program (../share/games/tossaro) and keeps the high scores in\n"
   "$XDG_DATA_HOME/tossaro/hiscores.bin (~/.local/share/tossaro/ when\n"
   "XDG_DATA_HOME is unset, empty or relative), whatever folder it starts in.\n"
   "Without that folder (a source tree) it reads graphics/ and sounds/ in the\n"
   "working directory, and keeps the high scores in hiscores.bin there.\n"
   "Pictures go to Tossaro in the pictures folder ($XDG_PICTURES_DIR of\n"
   "$XDG_CONFIG_HOME/user-dirs.dirs, else ~/Pictures), unless --captures\n"
   "names another.\n"
   "\n";

const char kExitStatus[] =
   "exit status: 0 when the game ends normally; 1 when it cannot start or the\n"
   "high scores cannot be saved; 2 for a mistake on the command line.\n";

bool onCommandLine(const Option &o)
{
   return o.place != OptionPlace::SettingsFile;
}

// "--scale N|auto", as the usage and the help show the option.
std::string label(const Option &o)
{
   std::string text = std::string("--") + o.name;
   if (*o.value)
      text += std::string(" ") + o.value + (o.word ? std::string("|") + o.word : "");
   return text;
}

std::string usage()
{
   std::vector<std::string> options, answers;
   for (const Option &o : optionTable()) {
      if (onCommandLine(o) && o.kind == OptionKind::Answer)
         answers.push_back((answers.empty() ? "" : "| ") + label(o));
      else if (onCommandLine(o))
         options.push_back("[" + label(o) + "]");
   }
   return wrapped("usage: tossaro ", std::string(15, ' '), options) +
          wrapped("       tossaro ", "", answers);
}

// The options, their help and the values they take, in two columns.
std::string optionsHelp()
{
   size_t column = 0;
   for (const Option &o : optionTable())
      column = onCommandLine(o) ? std::max(column, label(o).size() + 4) : column;
   const Options defaults;
   std::string text = "options:\n";
   for (const Option &o : optionTable()) {
      if (!onCommandLine(o))
         continue;
      std::string help = o.help;
      if (o.kind == OptionKind::Number)
         help += " (" + acceptedValues(o) + "; default " + valueText(o, defaults) + ")";
      else if (o.kind == OptionKind::Switch)
         help += " (default " + valueText(o, defaults) + ")";
      std::string first = "  " + label(o);
      first.resize(column, ' ');
      text += wrapped(first, std::string(column, ' '), help);
   }
   return text + "\n" + wrapped("", "", kSwitchValues);
}

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
   const std::string indent(18, ' ');
   return wrapped("  playing         ", indent,
                  "left hand: " + key(LeftTiltLeft) + "/" + key(LeftTiltRight) + " tilt, " +
                     key(LeftPowerUp) + "/" + key(LeftPowerDown) + " power; right hand: " +
                     key(RightTiltLeft) + "/" + key(RightTiltRight) + " tilt, " +
                     key(RightPowerUp) + "/" + key(RightPowerDown) + " power; " + key(NewGame) +
                     " new game, " + key(PauseGame) + " pause, " + key(OpenQuitPrompt) + " asks whether to quit to the menu, " +
                     key(QuitGame) + " quit, M mute or unmute, " + key(SaveClip) +
                     " saves the last seconds as a clip") +
          wrapped("  any screen      ", indent,
                  key(SavePicture) + " saves the picture in the captures folder");
}

// The keys of every screen, those of play as bound.
std::string keysHelp(const KeyBindings &b)
{
   return kKeysBeforePlay + playKeysHelp(b) + kKeysAfterPlay +
          wrapped("  a replay        ", std::string(18, ' '),
                  "Space pauses, Right (held) runs " + counted(kFastSteps) +
                     " times as fast, Left goes back " + counted(kBackSeconds) +
                     " seconds, Esc leaves") +
          kKeysOfDemoAndController;
}

// What the settings file may hold.
std::string settingsHelp()
{
   std::string options, keys;
   for (const Option &o : optionTable()) {
      if (o.place == OptionPlace::CommandLine)
         continue;
      std::string &list = o.kind == OptionKind::Key ? keys : options;
      list += (list.empty() ? "" : ", ") + entryName(o);
   }
   return wrapped("", "",
                  "settings: $XDG_CONFIG_HOME/tossaro/tossaro.cfg (~/.config/tossaro/ when "
                  "XDG_CONFIG_HOME is unset, empty or relative) may hold " +
                     options + ", and the play keys: " + keys +
                     ", each as entry = value on a line of its own. The command line wins over "
                     "the file.");
}

// 0 once the answer is out; 1, with a line on err, when it could not be
// written (a full disk, a closed pipe).
int written(FILE *out, FILE *err)
{
   if (fflush(out) == 0 && !ferror(out))
      return 0;
   say(std::string("cannot write the answer: ") + strerror(errno), err);
   return 1;
}

}  // namespace

CommandLine commandLineMistake(const std::string &what)
{
   CommandLine line;
   line.request = Request::Mistake;
   line.mistake = what;
   return line;
}

CommandLine parseCommandLine(int argc, const char *const *argv, const Options &base)
{
   CommandLine line;
   line.options = base;
   Request task = Request::Play;
   for (int i = 1; i < argc; i++) {
      const std::string argument = argv[i];
      const size_t equals = argument.find('=');
      const bool dashed = argument.compare(0, 2, "--") == 0;
      const bool inlineValue = dashed && equals != std::string::npos;
      const std::string name = dashed ? argument.substr(2, equals - 2) : std::string();
      const Option *option = dashed ? commandLineOption(name) : nullptr;
      if (!option)
         return commandLineMistake("unknown option " + argument);
      std::string value = inlineValue ? argument.substr(equals + 1) : std::string();
      switch (option->kind) {
      case OptionKind::Answer:
      case OptionKind::Task:
         if (inlineValue)
            return commandLineMistake("--" + name + " takes no value");
         if (option->kind == OptionKind::Answer) {
            line.request = option->request;
            return line;
         }
         task = option->request;
         continue;
      case OptionKind::Switch:
         value = inlineValue ? value : "on";
         break;
      default:
         if (!inlineValue && i + 1 == argc)
            return commandLineMistake("--" + name + " needs a value");
         value = inlineValue ? value : argv[++i];
      }
      if (!setOption(&line.options, *option, value))
         return commandLineMistake("bad value for --" + name + ": '" + value + "' (" +
                                   acceptedValues(*option) + ")");
   }
   line.request = task;
   return line;
}

int answerCommandLine(const CommandLine &line, FILE *out, FILE *err)
{
   switch (line.request) {
   case Request::Help:
      fprintf(out, "%s\n%s\n\n%s\n%s%s\n%s", usage().c_str(), kAbout, optionsHelp().c_str(),
              keysHelp(line.options.keys).c_str(), settingsHelp().c_str(), kExitStatus);
      return written(out, err);
   case Request::Version:
      fprintf(out, "tossaro %s\n", TOSSARO_VERSION);
      return written(out, err);
   case Request::Mistake:
      say(line.mistake, err);
      fputs(usage().c_str(), err);
      return 2;
   case Request::Play:
   case Request::WriteConfig:
      break;
   }
   return 0;
}
