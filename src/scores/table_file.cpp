#include "scores/table_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "files/paths.h"
#include "files/replacement_file.h"

namespace {

// A leftover must be this old before it is removed.
const int kLeftoverAgeSeconds = 60;
// The characters mkstemp puts in a name.
const char kTemporaryCharacters[] =
   "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";

bool isLeftoverOf(const std::string &name, const std::string &file)
{
   const std::string prefix = replacement_prefix(file);
   return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
          name.find_first_not_of(kTemporaryCharacters, prefix.size()) == std::string::npos;
}

}  // namespace

FolderLock::FolderLock(const std::string &path, double seconds)
{
   // flock needs a descriptor that reads: one opened only to reach the
   // folder (O_PATH) takes no lock. A folder that may be written in but
   // not listed cannot be locked, so it is not written.
   fd_ = open(folder_of(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
   if (fd_ < 0) {
      if (errno != ENOENT)
         problem_ = std::string("cannot lock its folder: ") + strerror(errno);
      return;
   }
   const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
   for (;;) {
      if (flock(fd_, LOCK_EX | LOCK_NB) == 0 || errno == ENOLCK || errno == EOPNOTSUPP)
         return;
      if (errno != EWOULDBLOCK && errno != EINTR) {
         problem_ = std::string("cannot lock its folder: ") + strerror(errno);
         return;
      }
      if (std::chrono::steady_clock::now() >= until) {
         problem_ = "another copy of the game kept the table locked";
         busy_ = true;
         return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
   }
}

FolderLock::~FolderLock()
{
   if (fd_ >= 0)
      close(fd_);
}

void removeLeftovers(const std::string &path)
{
   const std::string folder = folder_of(path), file = name_of(path);
   DIR *dir = opendir(folder.c_str());
   if (!dir)
      return;
   const time_t now = time(nullptr);
   while (const dirent *entry = readdir(dir)) {
      const std::string name = entry->d_name;
      struct stat st;
      const std::string leftover = folder + "/" + name;
      if (isLeftoverOf(name, file) && lstat(leftover.c_str(), &st) == 0 &&
          S_ISREG(st.st_mode) && now - st.st_mtime >= kLeftoverAgeSeconds)
         unlink(leftover.c_str());
   }
   closedir(dir);
}
