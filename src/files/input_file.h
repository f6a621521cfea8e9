// Reading a file the game was given, whatever stands at its name: opened
// without blocking (a FIFO would hold the game in open() until something
// wrote to it, out of reach of its signal handlers), taken only when it is
// a regular file of a bounded size, and read whole.
#ifndef TOSSARO_FILES_INPUT_FILE_H
#define TOSSARO_FILES_INPUT_FILE_H

#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

struct InputFile {
   std::vector<unsigned char> bytes;  // the whole file, when it could be read
   bool missing = false;              // there is no file of that name
   bool too_large = false;  // a regular file of more than the limit
   bool not_regular = false;  // a folder, a device, a FIFO or a socket stands at the name
   std::string problem;  // empty when read, else one line naming the file and why
};

// Reads the regular file `path` whole, when it holds at most `limit`
// bytes. A missing file, a folder, a device, a FIFO or a socket, a file
// that is larger or cannot be read each leave `bytes` empty and say so in
// `problem`; a missing one also sets `missing`, so that a caller for whom
// no file is no fault can stay quiet, a larger one `too_large`, and
// what is no regular file `not_regular`.
InputFile read_input_file(const std::string &path, size_t limit);

// What stands at a name when it is no regular file, as messages say it:
// "a folder", "a FIFO", "a socket", "a device".
const char *file_kind(mode_t mode);

#endif
