// What a submitted replay is worth: read as the game reads it, played
// again by the game's own rules, and taken only when it ends as it says;
// else refused with the status and the line --verify would give.
#ifndef TOSSARO_SERVER_SUBMISSION_H
#define TOSSARO_SERVER_SUBMISSION_H

#include <cstdint>
#include <string>

#include "game/ticks.h"
#include "replay/replay_file.h"
#include "server/store.h"

// The largest body taken: a replay takes about a kilobyte a minute.
const size_t kMaxBody = 1u << 20;
// The most ticks a replay may claim: a day of play, which takes the
// server about a second to play again.
const uint32_t kMaxTicks = 24 * 60 * 60 * kTicksPerSecond;
// The earliest start a game may have: 2024-01-01, before any game of
// this server; and how far past the server's clock one may begin.
const int64_t kEarliestStart = 1704067200;
const int64_t kLatestStartAhead = 24 * 60 * 60;

struct Judgement {
   int status = 0;  // 0 when taken, else 400 or 422
   std::string error;  // what is wrong, and where
   Replay replay;
   uint32_t played = 0;  // the ticks played again to judge it
};

// The replay read from its bytes, its name, start and length checked:
// what can be judged at once, without playing it. `now` is the server's
// clock, in seconds since 1970.
Judgement examineReplay(const Bytes &bytes, int64_t now);

// Plays an examined replay again: refused when it does not end as it
// says. `rules` is the version of the game whose rules this server plays,
// named when a replay of another drifts. Any number of threads may call
// it at once: each play is a game of its own.
void playAgain(Judgement &judgement, const std::string &rules);

// Both, one after the other.
Judgement judgeReplay(const Bytes &bytes, const std::string &rules, int64_t now);

// The bytes' SHA-256, in hexadecimal: the same bytes sent again are the
// same run.
std::string digestOf(const Bytes &bytes);

// The SHA-256 of what was played, in hexadecimal: the seed, the hands and
// actions it began with, and the actions of every tick (with what they
// make: the check values and the score), but not the name, the times, how
// it ended or the game's version. The same play under another name, start
// time or version is the same play.
std::string playDigestOf(const Replay &replay);

#endif
