// tossaro --replay FILE --verify: a replay played without a window, sound
// or display, as fast as the machine can, and its end printed.
#ifndef TOSSARO_APP_VERIFY_H
#define TOSSARO_APP_VERIFY_H

#include <cstdio>
#include <string>

// Prints "score 1310 after 5112 ticks (0:51.12)" on `out` and returns 0;
// for a file that cannot be read, is no good replay or whose playback
// drifts from it, one line on `err` naming the file, what and where, and
// returns 1.
int verifyReplayFile(const std::string &path, FILE *out, FILE *err);

#endif
