#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

std::string write_whole_file(const char *filename, const std::string &header,
                             const std::vector<unsigned char> &data)
{
   std::string temp = std::string(filename) + ".XXXXXX";
   const int fd = mkstemp(&temp[0]);
   if (fd < 0)
      return strerror(errno);
   // mkstemp makes the file private; give it the usual permissions.
   const mode_t mask = umask(0);
   umask(mask);
   fchmod(fd, 0666 & ~mask);
   FILE *file = fdopen(fd, "wb");
   if (!file) {
      const int error = errno;
      close(fd);
      unlink(temp.c_str());
      return strerror(error);
   }
   bool ok = fwrite(header.data(), 1, header.size(), file) == header.size() &&
             fwrite(data.data(), 1, data.size(), file) == data.size();
   int error = errno;
   if (fclose(file) != 0 && ok) {
      ok = false;
      error = errno;
   }
   if (ok && rename(temp.c_str(), filename) != 0) {
      ok = false;
      error = errno;
   }
   if (!ok) {
      unlink(temp.c_str());
      return strerror(error);
   }
   return std::string();
}
