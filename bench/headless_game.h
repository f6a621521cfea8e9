// What the benchmarks that draw the game share: the library without a
// display, a 16-bit memory screen, and the game's assets from the source
// tree, which becomes the working directory.
#ifndef TOSSARO_BENCH_HEADLESS_GAME_H
#define TOSSARO_BENCH_HEADLESS_GAME_H

// Returns 0, or the exit status for main after a line on stderr that
// `program` begins.
int startHeadlessGame(const char *program);

#endif
