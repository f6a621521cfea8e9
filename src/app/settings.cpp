#include "settings.h"

#include <allegro.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "data_folder.h"
#include "files/replacement_file.h"
#include "key_bindings.h"

namespace {

// The entries besides the play keys, in the file's order.
const char *const kEntries[] = {"scale", "fullscreen", "max_fps", "volume", "mute", "marks"};

// Why the file cannot be read; empty when it can.
std::string unreadable(const std::string &path)
{
   const int fd = open(path.c_str(), O_RDONLY);
   if (fd < 0)
      return strerror(errno);
   char byte;
   const bool read = ::read(fd, &byte, 1) >= 0;
   const int error = errno;
   close(fd);
   return read ? std::string() : strerror(error);
}

std::string onOff(bool on)
{
   return on ? "on" : "off";
}

}  // namespace

std::string settingsFile()
{
   return userFile("XDG_CONFIG_HOME", ".config", "tossaro.cfg");
}

std::vector<std::string> readSettings(const std::string &path, Options *options)
{
   // No file, nothing to read: the library is not started for it.
   if (access(path.c_str(), F_OK) != 0 && errno == ENOENT)
      return {};
   const std::string why = unreadable(path);
   if (!why.empty())
      return {path + ": cannot read it: " + why + "; the defaults are used"};
   // The configuration routines need the library; without a system
   // driver it opens no display.
   const bool ours = !system_driver;
   if (ours && install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return {path + ": cannot start the library to read it; the defaults are used"};
   push_config_state();
   set_config_file(path.c_str());
   std::vector<std::string> problems;
   const char **names = nullptr;
   const int count = list_config_entries(nullptr, &names);
   for (int i = 0; i < count; i++) {
      const std::string value = get_config_string(nullptr, names[i], "");
      const std::string good = applyOption(options, names[i], value);
      if (!good.empty())
         problems.push_back(path + ": " + names[i] + " = " + value + ": " +
                            (good == "no such setting" ? good + "; left out"
                                                       : "not " + good + "; the default is kept"));
   }
   free_config_entries(&names);
   pop_config_state();
   if (ours)
      allegro_exit();
   return problems;
}

std::string settingsText(const Options &o)
{
   std::string text =
      "# Tossaro's settings. The command line wins over them. Make this file\n"
      "# again with: tossaro --write-config\n"
      "\n"
      "# The window: 1 to 4 times the game's size, or auto for the largest that fits.\n"
      "scale = " + (o.scale == kAutoScale ? std::string("auto") : std::to_string(o.scale)) + "\n"
      "# on: the whole screen, where the display allows it.\n"
      "fullscreen = " + onOff(o.fullscreen) + "\n"
      "# At most this many frames a second, 1 to 1000; left out: as many as it can.\n" +
      (o.maxFps ? "" : "# ") + "max_fps = " + std::to_string(o.maxFps ? o.maxFps : 60) + "\n"
      "# The sound's volume, 0 to 100.\n"
      "volume = " + std::to_string(o.volume) + "\n"
      "# on: no sound, and no audio device opened.\n"
      "mute = " + onOff(o.mute) + "\n"
      "# on: each ball and target shows the symbols of its colours.\n"
      "marks = " + onOff(o.marks) + "\n"
      "\n"
      "# The keys of play, by name: A to Z, 0 to 9, F1 to F12, LEFT, RIGHT, UP, DOWN,\n"
      "# SPACE, ESC, ENTER, TAB, the PAD keys and others. Two actions on one key\n"
      "# both keep their defaults. The menus and the name entry keep their keys.\n";
   const char *const what[kPlayActions] = {
      "The left hand tilts to the left", "The left hand tilts to the right",
      "The left hand's power goes up", "The left hand's power goes down",
      "The right hand tilts to the left", "The right hand tilts to the right",
      "The right hand's power goes up", "The right hand's power goes down",
      "A new game", "Asks whether to quit to the menu", "Quits the program"};
   for (int a = 0; a < kPlayActions; a++)
      text += std::string("# ") + what[a] + ".\n" + actionName(PlayAction(a)) + " = " +
              keyName(o.keys.keys[a]) + "\n";
   return text;
}

std::string writeSettings(const std::string &path, const Options &options)
{
   const std::string folder = make_folder_of(path);
   if (!folder.empty())
      return folder;
   const std::string text = settingsText(options);
   return replace_file(path, std::vector<unsigned char>(text.begin(), text.end()));
}
