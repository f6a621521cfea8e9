#include "app/captures_folder.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "app/data_folder.h"
#include "files/input_file.h"
#include "files/paths.h"
#include "files/replacement_file.h"

std::string chosenCapturesFolder;

namespace {

// user-dirs.dirs is a few lines; a larger file is no such file.
const size_t kUserDirsLimit = 64 * 1024;
// Captures of one second get -2 up to this before the folder counts as full.
const int kMostOfOneSecond = 999;

// The value of a line NAME="VALUE" (or NAME=VALUE) as the shell reads it,
// backslashes taking the next character; false for another name.
bool assignment(const std::string &line, const std::string &name, std::string *value)
{
   size_t at = line.find_first_not_of(" \t");
   if (at == std::string::npos || line.compare(at, name.size() + 1, name + "=") != 0)
      return false;
   at += name.size() + 1;
   const bool quoted = at < line.size() && line[at] == '"';
   value->clear();
   for (at += quoted; at < line.size(); at++) {
      const char c = line[at];
      if (quoted ? c == '"' : (c == ' ' || c == '\t'))
         break;
      if (c == '\\' && at + 1 < line.size())
         at++;
      *value += line[at];
   }
   return true;
}

}  // namespace

std::string picturesFolder(const std::string &userDirs, const std::string &home)
{
   std::string folder = "$HOME/Pictures";
   std::istringstream lines(userDirs);
   for (std::string line, value; std::getline(lines, line);) {
      // Only the two forms the file may hold; anything else the tools that
      // read it ignore too.
      if (assignment(line, "XDG_PICTURES_DIR", &value) &&
          (value[0] == '/' || value == "$HOME" || value.compare(0, 6, "$HOME/") == 0))
         folder = value;
   }
   if (folder[0] == '/')
      return folder;
   if (home.empty())
      return home;
   return home + folder.substr(5);
}

std::string capturesFolder(const std::string &chosen)
{
   const std::string home = homeFolder(getenv("HOME"), getuid());
   // The settings file has no shell to make ~ the home folder.
   if (chosen == "~" || chosen.compare(0, 2, "~/") == 0)
      return home.empty() ? home : home + chosen.substr(1);
   if (!chosen.empty())
      return chosen;
   const std::string config = userFolder("XDG_CONFIG_HOME", ".config");
   std::string text;
   if (!config.empty()) {
      const InputFile file = read_input_file(config + "/user-dirs.dirs", kUserDirsLimit);
      text.assign(file.bytes.begin(), file.bytes.end());
   }
   const std::string pictures = picturesFolder(text, home);
   return pictures.empty() ? pictures : pictures + "/Tossaro";
}

std::string captureName(time_t when, bool clip, int nth)
{
   struct tm local;
   char stamp[32] = "";
   if (localtime_r(&when, &local))
      strftime(stamp, sizeof stamp, "%Y-%m-%d-%H%M%S", &local);
   return std::string("tossaro-") + stamp + (clip ? "-clip" : "") +
          (nth > 1 ? "-" + std::to_string(nth) : "") + ".gif";
}

CaptureFile chooseCaptureFile(const std::string &folder, time_t when, bool clip)
{
   CaptureFile file;
   if (folder.empty()) {
      file.problem = "no folder for captures (no home folder): give --captures DIR";
      return file;
   }
   file.problem = make_folder_of(folder + "/" + captureName(when, clip, 1));
   if (!file.problem.empty())
      return file;
   DIR *listing = opendir(folder.c_str());
   if (!listing) {
      file.problem = folder + ": cannot make a file there: " + strerror(errno);
      return file;
   }
   // Those of the folder's names that may stand for a capture of this
   // second: its own, or the temporary of one being written.
   const std::string stamp = captureName(when, clip, 1);
   const std::string start = stamp.substr(0, stamp.size() - 4);
   std::vector<std::string> names;
   while (const dirent *entry = readdir(listing)) {
      if (strstr(entry->d_name, start.c_str()))
         names.push_back(entry->d_name);
   }
   closedir(listing);
   for (int nth = 1; nth <= kMostOfOneSecond; nth++) {
      const std::string name = captureName(when, clip, nth);
      const std::string writing = replacement_prefix(name);
      const bool taken = std::any_of(names.begin(), names.end(), [&](const std::string &n) {
         return n == name || n.compare(0, writing.size(), writing) == 0;
      });
      if (!taken) {
         file.path = folder + "/" + name;
         return file;
      }
   }
   file.problem = folder + ": " + std::to_string(kMostOfOneSecond) +
                  " captures of this second are there already";
   return file;
}
