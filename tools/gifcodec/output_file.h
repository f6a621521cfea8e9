// Writing an output file so that it appears whole or not at all.
#ifndef TOSSARO_TOOLS_OUTPUT_FILE_H
#define TOSSARO_TOOLS_OUTPUT_FILE_H

#include <cstdio>
#include <string>

#include "gif/replacement_file.h"

// A file written beside its target (the file a symbolic link names) and
// renamed over it by finish(), with the older file's permissions; dropped
// unless finished.
class OutputFile {
public:
   OutputFile() = default;
   OutputFile(const OutputFile &) = delete;
   OutputFile &operator=(const OutputFile &) = delete;
   ~OutputFile();

   // Returns an empty string, or the reason it cannot be written (also
   // when an older file of the name could not be opened for writing).
   std::string open(const char *filename);
   FILE *stream() const { return stream_; }
   // Closes and renames it into place. Returns an empty string, or the
   // reason (then no file is left behind).
   std::string finish();

private:
   ReplacementFile file_;
   FILE *stream_ = nullptr;
};

#endif
