#include "files/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace {

// As many links in a row as the kernel follows before it gives ELOOP.
const int kMaxLinks = 40;

}  // namespace

std::string folder_of(const std::string &path)
{
   const size_t slash = path.rfind('/');
   if (slash == std::string::npos)
      return ".";
   return slash == 0 ? "/" : path.substr(0, slash);
}

std::string name_of(const std::string &path)
{
   return path.substr(path.rfind('/') + 1);
}

std::string follow_links(const std::string &name, std::string *target)
{
   std::string file = name;
   for (int hops = 0; hops < kMaxLinks; hops++) {
      char link[PATH_MAX];
      const ssize_t n = readlink(file.c_str(), link, sizeof link - 1);
      if (n < 0) {
         *target = file;
         return std::string();
      }
      link[n] = 0;
      if (link[0] == '/' || file.find('/') == std::string::npos)
         file = link;
      else
         file = file.substr(0, file.size() - name_of(file).size()) + link;
   }
   return name + ": cannot follow its links: " + strerror(ELOOP);
}

std::string make_folder_of(const std::string &path)
{
   const std::string folder = folder_of(path);
   struct stat st;
   if (stat(folder.c_str(), &st) == 0)
      return std::string();
   // Only a missing folder is made; "." and "/" have none above them.
   if (errno != ENOENT || folder_of(folder) == folder)
      return folder + ": cannot reach the folder: " + strerror(errno);
   const std::string above = make_folder_of(folder);
   if (!above.empty())
      return above;
   if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
      return folder + ": cannot make the folder: " + strerror(errno);
   return std::string();
}
