// A board of many runs for the leaderboard's bench, made in the database
// itself (the schema made by the server first): runs of scores spread
// over a million points, with made-up replays, and the tallies the server
// keeps counted again.
#ifndef TOSSARO_BENCH_MILLION_ROWS_H
#define TOSSARO_BENCH_MILLION_ROWS_H

#include <cstdint>
#include <string>

// Adds `rows` runs to the database ("sqlite:PATH" or "postgresql:...");
// empty, or what failed.
std::string addRows(const std::string &database, int64_t rows);

#endif
