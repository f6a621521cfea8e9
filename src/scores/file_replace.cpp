#include "file_replace.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// As many links as the system itself follows before it gives up.
const int kMaxLinks = 40;

std::string folderOf(const std::string &path)
{
   const size_t slash = path.rfind('/');
   if (slash == std::string::npos)
      return ".";
   return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at (the path itself when it is no
// link); a link to a file not yet there ends at that file. Empty on failure,
// with `problem` set.
std::string followLinks(std::string path, std::string &problem)
{
   for (int hops = 0; hops < kMaxLinks; hops++) {
      struct stat st;
      if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
         return path;
      char target[PATH_MAX];
      const ssize_t n = readlink(path.c_str(), target, sizeof target);
      if (n < 0 || size_t(n) >= sizeof target) {
         problem = std::string("cannot read the link: ") + strerror(n < 0 ? errno : ENAMETOOLONG);
         return std::string();
      }
      std::string next(target, size_t(n));
      if (next[0] != '/')
         next = folderOf(path) + "/" + next;
      path = next;
   }
   problem = strerror(ELOOP);
   return std::string();
}

// The old file's permissions, or those a new file would be given.
mode_t modeFor(const std::string &path)
{
   struct stat st;
   if (stat(path.c_str(), &st) == 0)
      return st.st_mode & 07777;
   const mode_t mask = umask(0);
   umask(mask);
   return 0666 & ~mask;
}

bool writeAll(int fd, const std::vector<unsigned char> &bytes)
{
   size_t done = 0;
   while (done < bytes.size()) {
      const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR)
         continue;
      if (n <= 0) {
         if (n == 0)
            errno = ENOSPC;
         return false;
      }
      done += size_t(n);
   }
   return true;
}

}  // namespace

std::string replaceFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
   std::string problem;
   const std::string target = followLinks(path, problem);
   if (target.empty())
      return path + ": " + problem;
   const mode_t mode = modeFor(target);
   std::string temporary = target + ".XXXXXX";
   const int fd = mkstemp(&temporary[0]);
   if (fd < 0)
      return path + ": cannot create a temporary file in " + folderOf(target) + ": " +
             strerror(errno);

   // The first step that fails, and why.
   const char *step = nullptr;
   int error = 0;
   const auto fail = [&](const char *what) {
      if (!step) {
         step = what;
         error = errno;
      }
   };
   if (fchmod(fd, mode) != 0)
      fail("cannot set the permissions of");
   else if (!writeAll(fd, bytes))
      fail("cannot write");
   else if (fsync(fd) != 0)
      fail("cannot sync");
   if (close(fd) != 0)
      fail("cannot close");
   if (!step && rename(temporary.c_str(), target.c_str()) != 0)
      fail("cannot move into place");
   if (step) {
      unlink(temporary.c_str());
      return path + ": " + step + " " + temporary + ": " + strerror(error);
   }

   // The new contents are in place; syncing the folder only makes the
   // rename itself survive a power cut, so a failure here loses nothing.
   const int folder = open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY);
   if (folder >= 0) {
      fsync(folder);
      close(folder);
   }
   return std::string();
}
