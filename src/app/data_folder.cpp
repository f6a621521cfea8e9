#include "data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "files/replacement_file.h"
#include "scores/highscores.h"

namespace {

bool isFolder(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string runningProgram()
{
   char path[PATH_MAX];
   const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
   return n > 0 ? std::string(path, size_t(n)) : std::string();
}

}  // namespace

std::string installedDataFolder(const std::string &executable)
{
   return folder_of(folder_of(executable)) + "/share/games/tossaro";
}

std::string userFolder(const char *variable, const char *underHome)
{
   const char *set = getenv(variable);
   const char *home = getenv("HOME");
   return (set && *set ? std::string(set) : std::string(home ? home : "") + "/" + underHome) +
          "/tossaro";
}

std::string installedScoresFile()
{
   return userFolder("XDG_DATA_HOME", ".local/share") + "/" + Highscores::kFile;
}

DataFolder findDataFolder()
{
   if (isFolder("graphics"))
      return {"", Highscores::kFile, ""};
   const std::string installed = installedDataFolder(runningProgram());
   if (isFolder(installed + "/graphics"))
      return {installed + "/", installedScoresFile(), ""};
   char here[PATH_MAX];
   const std::string cwd = getcwd(here, sizeof here) ? here : ".";
   return {"", "", "no graphics/ in the working directory (" + cwd + ") nor in " + installed};
}
