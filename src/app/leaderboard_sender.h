// The stored scores sent to the player's leaderboard, on a thread of
// their own: no tick and no frame waits for the network. A game the
// server cannot take now waits in replays/outbox/ and is sent again at
// the next start and every few minutes.
#ifndef TOSSARO_APP_LEADERBOARD_SENDER_H
#define TOSSARO_APP_LEADERBOARD_SENDER_H

#include <string>

// Starts the thread for the leaderboard at `url`, the outbox in `folder`
// (replays/outbox beside the table); it sends what the outbox holds first.
void startSendingScores(const std::string &url, const std::string &folder);

// Between frames: the answers that came, shown under the table.
void showLeaderboardAnswers();

// At exit: the transfer in flight is given up (its game stays in the
// outbox) and the thread ends.
void stopSendingScores();

#endif
