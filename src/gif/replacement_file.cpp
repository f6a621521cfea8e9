#include "replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

namespace {

// As many links in a row as the kernel follows before it gives ELOOP.
const int kMaxLinks = 40;

// The file that `name` stands for: symbolic links followed one at a time,
// so that a link to a file not yet made names where it will be. Empty,
// errno set, for a loop of links.
std::string follow_links(std::string name)
{
   for (int hops = 0; hops < kMaxLinks; hops++) {
      char target[PATH_MAX];
      const ssize_t n = readlink(name.c_str(), target, sizeof target - 1);
      if (n < 0)
         return name;
      target[n] = 0;
      const size_t slash = name.rfind('/');
      if (target[0] == '/' || slash == std::string::npos)
         name = target;
      else
         name = name.substr(0, slash + 1) + target;
   }
   errno = ELOOP;
   return std::string();
}

}  // namespace

int open_replacement_file(const char *filename, ReplacementFile *file)
{
   file->target = follow_links(filename);
   if (file->target.empty())
      return -1;
   struct stat old;
   const bool exists = stat(file->target.c_str(), &old) == 0;
   // Renaming would replace a file that writing into could not.
   if (exists && faccessat(AT_FDCWD, file->target.c_str(), W_OK, AT_EACCESS) != 0)
      return -1;

   file->temporary = file->target + ".XXXXXX";
   const int fd = mkstemp(&file->temporary[0]);
   if (fd < 0)
      return -1;
   if (exists) {
      // The owner and group can be kept by root, or by the owner when it
      // belongs to the group; the set-user and set-group bits go only with
      // them.
      const bool sameOwner = fchown(fd, old.st_uid, old.st_gid) == 0;
      fchmod(fd, old.st_mode & (sameOwner ? 07777 : 0777));
   } else {
      // mkstemp makes the file private; give it the usual permissions.
      const mode_t mask = umask(0);
      umask(mask);
      fchmod(fd, 0666 & ~mask);
   }
   return fd;
}

int commit_replacement_file(const ReplacementFile *file)
{
   if (rename(file->temporary.c_str(), file->target.c_str()) == 0)
      return 0;
   abandon_replacement_file(file);
   return -1;
}

void abandon_replacement_file(const ReplacementFile *file)
{
   const int error = errno;
   unlink(file->temporary.c_str());
   errno = error;
}
