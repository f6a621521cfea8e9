// Replacing a file's whole contents so that a failure at any step leaves
// the old file exactly as it was.
#ifndef TOSSARO_SCORES_FILE_REPLACE_H
#define TOSSARO_SCORES_FILE_REPLACE_H

#include <string>
#include <vector>

// Writes `bytes` to a new file beside the one `path` names (its symbolic
// links followed, so a link stays a link), with the old file's permissions,
// syncs it and renames it over the old file. Returns an empty string, or
// one line naming the file and the step that failed; then the new file is
// gone and the old one untouched.
std::string replaceFile(const std::string &path, const std::vector<unsigned char> &bytes);

#endif
