#include "app/data_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "files/paths.h"
#include "scores/highscores.h"

namespace {

bool isFolder(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string installedDataFolder(const std::string &executable)
{
   return folder_of(folder_of(executable)) + "/share/games/tossaro";
}

std::string homeFolder(const char *home, uid_t user)
{
   if (home && home[0] == '/')
      return home;
   long size = sysconf(_SC_GETPW_R_SIZE_MAX);
   std::vector<char> buffer(size_t(size > 0 ? size : 16384));
   struct passwd entry, *found = nullptr;
   if (getpwuid_r(user, &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
       !found->pw_dir || !found->pw_dir[0])
      return std::string();
   return found->pw_dir;
}

std::string userFolder(const char *variable, const char *underHome)
{
   const char *set = getenv(variable);
   if (set && set[0] == '/')
      return set;
   const std::string home = homeFolder(getenv("HOME"), getuid());
   return home.empty() ? home : home + "/" + underHome;
}

std::string userFile(const char *variable, const char *underHome, const char *name)
{
   const std::string folder = userFolder(variable, underHome);
   return folder.empty() ? folder : folder + "/tossaro/" + name;
}

std::string installedScoresFile()
{
   return userFile("XDG_DATA_HOME", ".local/share", Highscores::kFile);
}

std::string runningProgram()
{
   char path[PATH_MAX];
   const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
   return n > 0 ? std::string(path, size_t(n)) : std::string();
}

DataFolder findDataFolder(const std::string &executable)
{
   // An installed copy never takes the working directory's files, which
   // may be anything (a desktop starts programs in the home folder).
   const std::string installed = installedDataFolder(executable);
   if (executable[0] == '/' && isFolder(installed + "/graphics"))
      return {installed + "/", installedScoresFile(), ""};
   if (isFolder("graphics"))
      return {"", Highscores::kFile, ""};
   char here[PATH_MAX];
   const std::string cwd = getcwd(here, sizeof here) ? here : ".";
   return {"", "", "no graphics/ in " + installed + " nor in the working directory (" + cwd + ")"};
}
