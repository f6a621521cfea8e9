#include "files/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

const char *file_kind(mode_t mode)
{
   if (S_ISDIR(mode))
      return "a folder";
   if (S_ISFIFO(mode))
      return "a FIFO";
   if (S_ISSOCK(mode))
      return "a socket";
   if (S_ISCHR(mode) || S_ISBLK(mode))
      return "a device";
   return "a special file";
}

InputFile read_input_file(const std::string &path, size_t limit)
{
   InputFile file;
   const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
   if (fd < 0) {
      file.missing = errno == ENOENT;
      file.problem = path + ": cannot read it: " + strerror(errno);
      return file;
   }
   struct stat st;
   if (fstat(fd, &st) != 0) {
      file.problem = path + ": cannot read it: " + strerror(errno);
   } else if (!S_ISREG(st.st_mode)) {
      file.not_regular = true;
      file.problem = path + ": not read: it is " + file_kind(st.st_mode) + ", not a file";
   } else if (size_t(st.st_size) > limit) {
      file.too_large = true;
      file.problem = path + ": not read: " + std::to_string(st.st_size) +
                     " bytes, more than the " + std::to_string(limit) + " such a file may hold";
   } else {
      // One byte more than the size, so that a file that grew since fstat
      // is caught rather than cut.
      file.bytes.resize(size_t(st.st_size) + 1);
      size_t done = 0;
      while (done < file.bytes.size()) {
         const ssize_t n = read(fd, file.bytes.data() + done, file.bytes.size() - done);
         if (n < 0 && errno == EINTR)
            continue;
         if (n < 0) {
            file.problem = path + ": cannot read it: " + strerror(errno);
            break;
         }
         if (n == 0)
            break;
         done += size_t(n);
      }
      file.too_large = file.problem.empty() && done > limit;
      if (file.too_large)
         file.problem = path + ": not read: it grew past the " + std::to_string(limit) +
                        " bytes such a file may hold";
      file.bytes.resize(file.problem.empty() ? done : 0);
   }
   close(fd);
   return file;
}
