// Games that last, made by the rules alone for the benchmarks: a greedy
// player that tries a few hand actions for each stretch of play on copies
// of the game and keeps the one that collects the most soonest. Such
// games are what a costly submission looks like: long, honest replays.
#ifndef TOSSARO_BENCH_LONG_GAMES_H
#define TOSSARO_BENCH_LONG_GAMES_H

#include <cstdint>
#include <vector>

#include "replay/replay_file.h"

// A game begun at `startTime` and played for `ticks` ticks or until it is
// lost, whichever comes first; named `name`.
Replay longGame(int64_t startTime, uint32_t ticks, const std::string &name);

// `count` beginnings of the game, each a game of its own and another play:
// the first `step` ticks shorter than the whole, each after `step` shorter
// again (none shorter than one tick).
std::vector<Replay> beginningsOf(const Replay &game, size_t count, uint32_t step);

#endif
