#include "data_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "scores/highscores.h"

namespace {

bool isFolder(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string folderOf(const std::string &path)
{
   const size_t slash = path.rfind('/');
   return slash == std::string::npos ? "." : path.substr(0, slash);
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
   return folderOf(folderOf(executable)) + "/share/games/tossaro";
}

std::string installedScoresFile()
{
   const char *data = getenv("XDG_DATA_HOME");
   const char *home = getenv("HOME");
   const std::string base = data && *data ? data : std::string(home ? home : "") + "/.local/share";
   return base + "/tossaro/" + Highscores::kFile;
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
