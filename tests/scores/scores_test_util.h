// What the high-score tests share: rows compared and printed, records
// built byte by byte, the default table.
#ifndef TOSSARO_TESTS_SCORES_TEST_UTIL_H
#define TOSSARO_TESTS_SCORES_TEST_UTIL_H

#include <ostream>
#include <string>
#include <vector>

#include "scores/highscores.h"

bool operator==(const HighscoreEntry &a, const HighscoreEntry &b);
std::ostream &operator<<(std::ostream &out, const HighscoreEntry &row);

// One 104-byte record: the name's bytes (all 100 of a 100-byte name),
// zeros, the score little-endian.
std::vector<unsigned char> record(const std::string &name, int32_t score);

// The start of a name long enough to live on the heap, where
// AddressSanitizer sees a read one byte past its end.
const std::string kHeapStem(24, 'n');

// The ten rows a missing file gives.
std::vector<HighscoreEntry> default_rows();

#endif
