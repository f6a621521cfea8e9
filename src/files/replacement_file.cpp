#include "files/replacement_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "files/input_file.h"
#include "files/paths.h"

namespace {

// A step that failed, as replace_file's message names it: the words
// before the temporary file's name and those after it.
struct Step {
   const char *before;
   const char *after;
};

const Step kWrite = {"cannot write", ""};
const Step kSync = {"cannot sync", ""};
const Step kClose = {"cannot close", ""};
const Step kMove = {"cannot move", " into place"};

// commit_replacement_file, telling which step failed (null when none).
const Step *put_in_place(ReplacementFile *file)
{
   const Step *failed = nullptr;
   int error = 0;
   if (fsync(file->fd) != 0) {
      failed = &kSync;
      error = errno;
   }
   if (close(file->fd) != 0 && !failed) {
      failed = &kClose;
      error = errno;
   }
   file->fd = -1;
   if (!failed && rename(file->temporary.c_str(), file->target.c_str()) != 0) {
      failed = &kMove;
      error = errno;
   }
   if (failed) {
      errno = error;
      abandon_replacement_file(file);
      return failed;
   }

   // Syncing the folder makes the rename survive a power cut; should it
   // fail, a power cut brings back the older file whole, so it is no
   // failure of the save.
   const int folder = open(folder_of(file->target).c_str(), O_RDONLY | O_DIRECTORY);
   if (folder >= 0) {
      fsync(folder);
      close(folder);
   }
   return nullptr;
}

// The process's umask, read without changing it: umask() can only set it,
// and the library's and SDL's threads would make files in between.
mode_t current_umask()
{
   unsigned mask = 022;
   if (FILE *status = fopen("/proc/self/status", "re")) {
      char line[256];
      while (fgets(line, sizeof line, status)) {
         if (sscanf(line, "Umask: %o", &mask) == 1)
            break;
      }
      fclose(status);
   }
   return mode_t(mask & 0777);
}

bool write_all(int fd, const std::vector<unsigned char> &bytes)
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

std::string replacement_prefix(const std::string &name)
{
   return "." + name + ".tmp-";
}

int open_replacement_file(const char *filename, ReplacementFile *file)
{
   file->fd = -1;
   file->not_a_file = nullptr;
   // A loop of links is the one way following them fails.
   if (!follow_links(filename, &file->target).empty()) {
      errno = ELOOP;
      return -1;
   }
   struct stat old;
   const bool exists = stat(file->target.c_str(), &old) == 0;
   // Renaming would put a file in place of a device, a FIFO or a folder.
   if (exists && !S_ISREG(old.st_mode)) {
      file->not_a_file = file_kind(old.st_mode);
      errno = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
      return -1;
   }
   // Renaming would replace a file that writing into could not.
   if (exists && faccessat(AT_FDCWD, file->target.c_str(), W_OK, AT_EACCESS) != 0)
      return -1;

   const std::string name = name_of(file->target);
   file->temporary = file->target.substr(0, file->target.size() - name.size()) +
                     replacement_prefix(name) + "XXXXXX";
   file->fd = mkstemp(&file->temporary[0]);
   if (file->fd < 0)
      return -1;
   if (exists) {
      // The owner and group can be kept by root, or by the owner when it
      // belongs to the group; the set-user and set-group bits go only with
      // them.
      const bool same_owner = fchown(file->fd, old.st_uid, old.st_gid) == 0;
      fchmod(file->fd, old.st_mode & (same_owner ? 07777 : 0777));
   } else {
      // mkstemp makes the file private; give it the usual permissions.
      fchmod(file->fd, 0666 & ~current_umask());
   }
   return file->fd;
}

int commit_replacement_file(ReplacementFile *file)
{
   return put_in_place(file) ? -1 : 0;
}

std::string replacement_failure(const ReplacementFile &file)
{
   if (file.not_a_file)
      return std::string("not written: it is ") + file.not_a_file + ", not a file";
   return std::string("cannot make a new file beside it: ") + strerror(errno);
}

void abandon_replacement_file(ReplacementFile *file)
{
   const int error = errno;
   if (file->fd >= 0)
      close(file->fd);
   file->fd = -1;
   unlink(file->temporary.c_str());
   errno = error;
}

std::string replace_file(const std::string &path, const std::vector<unsigned char> &bytes)
{
   ReplacementFile file;
   if (open_replacement_file(path.c_str(), &file) < 0)
      return path + ": " + replacement_failure(file);
   const Step *failed = nullptr;
   if (!write_all(file.fd, bytes)) {
      failed = &kWrite;
      abandon_replacement_file(&file);
   } else {
      failed = put_in_place(&file);
   }
   if (!failed)
      return std::string();
   const int error = errno;
   return path + ": " + failed->before + " " + file.temporary + failed->after + ": " +
          strerror(error);
}

OutputFile::~OutputFile()
{
   if (stream_) {
      fclose(stream_);
      drop();
   }
}

void OutputFile::drop()
{
   if (created_.empty()) {
      abandon_replacement_file(&file_);
      return;
   }
   const int error = errno;
   unlink(created_.c_str());
   errno = error;
}

std::string OutputFile::open(const char *filename)
{
   created_.clear();
   if (open_replacement_file(filename, &file_) < 0)
      return file_.not_a_file ? replacement_failure(file_) : strerror(errno);
   // The stream closes its own copy of the descriptor, so that the file
   // can still be synced through file_.fd once it is written.
   const int copy = dup(file_.fd);
   stream_ = copy < 0 ? nullptr : fdopen(copy, "wb");
   if (!stream_) {
      const int error = errno;
      if (copy >= 0)
         close(copy);
      errno = error;
      abandon_replacement_file(&file_);
      return strerror(error);
   }
   return std::string();
}

std::string OutputFile::create(const char *filename)
{
   // Without blocking: a FIFO made at the name in between is refused as
   // existing, never opened; a regular file does not block anyway.
   const int fd =
      ::open(filename, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
   if (fd < 0)
      return strerror(errno);
   created_ = filename;
   struct stat st;
   if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      created_.clear();
      return "not written: it is no regular file";
   }
   stream_ = fdopen(fd, "wb");
   if (!stream_) {
      const int error = errno;
      close(fd);
      errno = error;
      drop();
      return strerror(error);
   }
   return std::string();
}

std::string OutputFile::finish()
{
   // A failed write leaves its errno, unless a later call has set another.
   const bool written = ferror(stream_) == 0;
   int error = errno;
   const bool closed = fclose(stream_) == 0;
   stream_ = nullptr;
   if (!closed)
      error = errno;
   if (!written || !closed) {
      errno = error ? error : EIO;
      drop();
      return strerror(errno);
   }
   if (created_.empty() && commit_replacement_file(&file_) != 0)
      return strerror(errno);
   return std::string();
}
