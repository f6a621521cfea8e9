// Writing an output file so that it appears whole or not at all.
#ifndef TOSSARO_TOOLS_OUTPUT_FILE_H
#define TOSSARO_TOOLS_OUTPUT_FILE_H

#include <string>
#include <vector>

// Writes `header` then `data` to a temporary file beside `filename` and
// renames it into place. Returns an empty string, or the reason it failed
// (then no file is left behind).
std::string write_whole_file(const char *filename, const std::string &header,
                             const std::vector<unsigned char> &data);

#endif
