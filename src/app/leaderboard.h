// The leaderboard the player chose, over HTTP through libcurl: a replay
// sent to be played again and ranked, and the board's best fetched. Each
// call waits for its answer (a few seconds at most), so the game makes it
// on a thread of its own.
#ifndef TOSSARO_APP_LEADERBOARD_H
#define TOSSARO_APP_LEADERBOARD_H

#include <string>
#include <vector>

#include "screens/leaderboard_board.h"

// What became of a replay sent.
struct Submission {
   enum Outcome {
      Ranked,  // taken: `rank` of `of`, as the run `id`
      Refused,  // the server will never take it: `reason` says why
      Offline,  // no answer, or the server could not judge it now: worth sending again
   };
   Outcome outcome = Offline;
   int rank = 0, of = 0;
   std::string id;
   std::string reason;  // for Refused and Offline: one line
};

// Sends the bytes of a replay to the leaderboard at `url` (its root, such
// as http://127.0.0.1:8765). HTTPS checks the system's certificates, the
// proxy variables (https_proxy, no_proxy and the others) are honoured, and
// one submission goes at a time: a second caller waits for the first.
Submission submitReplay(const std::string &url, const std::vector<unsigned char> &bytes);

// The best `count` rows of the leaderboard at `url`, or why not in
// `problem`: "offline: " and libcurl's words when it did not answer.
Board fetchBoard(const std::string &url, int count);

// With true, makes the transfer in flight, and any made after, give up at
// once (a submission as Offline): the game is leaving. False lets them go
// again.
void abandonTransfers(bool abandon);

// tossaro --submit FILE: prints "rank 3 of 120 (ID)" on `out` and returns
// 0, or says why not in one line on `err` and returns 1. `name`, when not
// empty, is the name the replay is sent under.
int submitReplayFile(const std::string &path, const std::string &url, const std::string &name,
                     FILE *out, FILE *err);

#endif
