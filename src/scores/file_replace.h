// Replacing a file's whole contents so that a failure at any step leaves
// the old file exactly as it was.
#ifndef TOSSARO_SCORES_FILE_REPLACE_H
#define TOSSARO_SCORES_FILE_REPLACE_H

#include <string>
#include <vector>

// Writes `bytes` to a temporary file in the folder of the file `path`
// names (following symbolic links, so a link stays a link), syncs it,
// gives it the old file's permissions and renames it over the old file.
// Returns an empty string, or one line naming the file and the step that
// failed; then the temporary file is gone and the old file untouched.
std::string replaceFile(const std::string &path, const std::vector<unsigned char> &bytes);

#endif
