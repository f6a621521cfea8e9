// Writing a file beside the one it replaces and renaming it over it when
// complete, so that a failed write leaves neither a partial file nor a
// lost older one.
#ifndef TOSSARO_GIF_REPLACEMENT_FILE_H
#define TOSSARO_GIF_REPLACEMENT_FILE_H

#include <string>

struct ReplacementFile {
   std::string target;  // the name given, its symbolic links followed
   std::string temporary;  // the new file beside the target
};

// Makes an empty temporary file beside the target with the older file's
// permissions and owner (the usual ones when there is none), and returns
// its descriptor. Returns -1, errno set, when the older file could not
// have been opened for writing or no file can be made beside it.
int open_replacement_file(const char *filename, ReplacementFile *file);

// Renames the temporary file over the target. Returns 0, or -1 with errno
// set and the temporary file removed.
int commit_replacement_file(const ReplacementFile *file);

// Removes the temporary file, keeping errno.
void abandon_replacement_file(const ReplacementFile *file);

#endif
