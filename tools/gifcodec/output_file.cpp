#include "output_file.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

OutputFile::~OutputFile()
{
   if (stream_) {
      fclose(stream_);
      abandon_replacement_file(&file_);
   }
}

std::string OutputFile::open(const char *filename)
{
   const int fd = open_replacement_file(filename, &file_);
   if (fd < 0)
      return strerror(errno);
   stream_ = fdopen(fd, "wb");
   if (!stream_) {
      close(fd);
      abandon_replacement_file(&file_);
      return strerror(errno);
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
      abandon_replacement_file(&file_);
      return strerror(error ? error : EIO);
   }
   if (commit_replacement_file(&file_) != 0)
      return strerror(errno);
   return std::string();
}
