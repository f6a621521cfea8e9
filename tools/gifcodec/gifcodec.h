// The gifcodec command line: inspecting and converting GIF files for the
// people who make the game's images.
#ifndef TOSSARO_TOOLS_GIFCODEC_H
#define TOSSARO_TOOLS_GIFCODEC_H

#include <cstdio>

// Runs one command; its report goes to `out`, a one-line error to `err`.
// Returns the process exit status: 0, or 1 on any failure.
int gifcodec_main(int argc, char **argv, FILE *out, FILE *err);

#endif
