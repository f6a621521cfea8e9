#include "file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "gif/replacement_file.h"

namespace {

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

std::string folderOf(const std::string &path)
{
   const size_t slash = path.rfind('/');
   if (slash == std::string::npos)
      return ".";
   return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string replaceFile(const std::string &path, const std::vector<unsigned char> &bytes)
{
   ReplacementFile file;
   const int fd = open_replacement_file(path.c_str(), &file);
   if (fd < 0)
      return path + ": cannot make a new file beside it: " + strerror(errno);

   // The first step that fails, and why.
   const char *step = nullptr;
   int error = 0;
   const auto fail = [&](const char *what) {
      if (!step) {
         step = what;
         error = errno;
      }
   };
   if (!writeAll(fd, bytes))
      fail("cannot write");
   else if (fsync(fd) != 0)
      fail("cannot sync");
   if (close(fd) != 0)
      fail("cannot close");
   if (step) {
      abandon_replacement_file(&file);
      return path + ": " + step + " " + file.temporary + ": " + strerror(error);
   }
   if (commit_replacement_file(&file) != 0)
      return path + ": cannot move " + file.temporary + " into place: " + strerror(errno);

   // The new contents are in place; syncing the folder only makes the
   // rename itself survive a power cut, so a failure here loses nothing.
   const int folder = open(folderOf(file.target).c_str(), O_RDONLY | O_DIRECTORY);
   if (folder >= 0) {
      fsync(folder);
      close(folder);
   }
   return std::string();
}
