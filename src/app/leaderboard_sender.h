// The stored scores sent to the player's leaderboard, and its best
// fetched for the table screen, on threads of their own: no tick and no
// frame waits for the network. A game the server cannot take now waits in
// replays/outbox/ and is sent again at the next start and every few
// minutes.
#ifndef TOSSARO_APP_LEADERBOARD_SENDER_H
#define TOSSARO_APP_LEADERBOARD_SENDER_H

#include <chrono>
#include <string>

// How often the outbox is tried while the game runs.
constexpr std::chrono::milliseconds kResendEvery = std::chrono::minutes(5);

// Starts the thread for the leaderboard at `url`, the outbox in `folder`
// (replays/outbox beside the table); it sends what the outbox holds
// first, and again `resendEvery` after each try.
void startSendingScores(const std::string &url, const std::string &folder,
                        std::chrono::milliseconds resendEvery = kResendEvery);

// The table screen's L fetches the best ten of the leaderboard at `url`
// on a thread of its own, one fetch at a time.
void startShowingBoard(const std::string &url);

// Between frames: the answers that came, shown under the table, and the
// board fetched.
void showLeaderboardAnswers();

// At exit: the transfers in flight are given up (a game sent stays in the
// outbox) and the threads end.
void stopSendingScores();

#endif
