#include "app/leaderboard_sender.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "app/leaderboard.h"
#include "files/input_file.h"
#include "files/replacement_file.h"
#include "files/say.h"
#include "replay/replay_file.h"
#include "scores/highscores.h"
#include "screens/leaderboard_board.h"
#include "screens/replay_keeping.h"
#include "screens/score_table.h"

namespace {

using Bytes = std::vector<unsigned char>;

const size_t kMostWaiting = 100;

std::string url, outbox;
std::chrono::milliseconds resendInterval;
std::thread sender;
std::mutex lock;
std::condition_variable woken;
std::deque<Bytes> toSend;  // rows stored, not yet tried
std::deque<std::string> answers;  // the notices that came, not yet shown
bool stopping = false;

// The file of a game in the outbox, named by its bytes: the same game
// is never there twice.
std::string waitingFile(const Bytes &bytes)
{
   uint64_t hash = 14695981039346656037ull;
   for (unsigned char b : bytes)
      hash = (hash ^ b) * 1099511628211ull;
   char name[32];
   snprintf(name, sizeof name, "/%016llx.rpl", static_cast<unsigned long long>(hash));
   return outbox + name;
}

std::vector<std::string> waiting()
{
   std::vector<std::string> files;
   std::error_code failed;
   for (const auto &entry : std::filesystem::directory_iterator(outbox, failed)) {
      if (entry.path().extension() == ".rpl")
         files.push_back(entry.path().string());
   }
   return files;
}

std::string ordinal(int n)
{
   const int tens = n % 100, units = n % 10;
   const char *suffix = tens >= 11 && tens <= 13 ? "th"
                        : units == 1             ? "st"
                        : units == 2             ? "nd"
                        : units == 3             ? "rd"
                                                 : "th";
   return std::to_string(n) + suffix;
}

void answer(const std::string &text)
{
   const std::lock_guard<std::mutex> held(lock);
   answers.push_back(text);
}

// A game the server could not take now, kept for later.
void keepForLater(const Bytes &bytes)
{
   const std::string file = waitingFile(bytes);
   std::error_code failed;
   std::filesystem::create_directories(outbox, failed);
   if (waiting().size() >= kMostWaiting && !std::filesystem::exists(file, failed)) {
      say(outbox + " holds " + std::to_string(kMostWaiting) +
          " games already: this one is not sent");
      return;
   }
   const std::string problem = replace_file(file, bytes);
   if (!problem.empty())
      say(problem);
}

// Sends what the outbox holds, until the server cannot take one.
void sendWaiting()
{
   for (const std::string &file : waiting()) {
      const InputFile read = read_input_file(file, kMaxReplayFile);
      if (!read.problem.empty()) {
         say(read.problem);
         continue;
      }
      const Submission s = submitReplay(url, read.bytes);
      if (s.outcome == Submission::Offline)
         return;
      if (s.outcome == Submission::Refused)
         say("the leaderboard refused " + file + ": " + s.reason);
      std::error_code failed;
      std::filesystem::remove(file, failed);
   }
}

void send(const Bytes &bytes)
{
   const Submission s = submitReplay(url, bytes);
   switch (s.outcome) {
   case Submission::Ranked:
      answer("Leaderboard: " + ordinal(s.rank) + " of " + std::to_string(s.of));
      break;
   case Submission::Refused:
      say("the leaderboard refused the game: " + s.reason);
      answer("Leaderboard: refused: " + s.reason);
      break;
   case Submission::Offline:
      say("the leaderboard: " + s.reason + "; the game is sent later");
      keepForLater(bytes);
      answer("Leaderboard: offline, sent later");
      break;
   }
}

void sendScores()
{
   auto resendAt = std::chrono::steady_clock::now();
   std::unique_lock<std::mutex> held(lock);
   while (!stopping) {
      if (!toSend.empty()) {
         const Bytes bytes = std::move(toSend.front());
         toSend.pop_front();
         held.unlock();
         send(bytes);
         held.lock();
         continue;
      }
      if (std::chrono::steady_clock::now() >= resendAt) {
         held.unlock();
         sendWaiting();
         held.lock();
         resendAt = std::chrono::steady_clock::now() + resendInterval;
         continue;
      }
      woken.wait_until(held, resendAt);
   }
}

void rowKept(const Replay &replay)
{
   const std::lock_guard<std::mutex> held(lock);
   toSend.push_back(encodeReplay(replay));
   woken.notify_one();
}

// The board, fetched apart from the sending: a submission the server
// plays again for seconds does not hold it up.
std::string boardUrl;
std::thread fetcher;
std::atomic<bool> fetched{false};
Board board;  // the fetcher's until `fetched`

void fetchBoardNow()
{
   // A fetch in flight answers this wish too.
   if (fetcher.joinable())
      return;
   fetched = false;
   fetcher = std::thread([] {
      board = fetchBoard(boardUrl, Highscores::kRows);
      fetched = true;
   });
}

}  // namespace

void startSendingScores(const std::string &address, const std::string &folder,
                        std::chrono::milliseconds resendEvery)
{
   url = address;
   outbox = folder;
   resendInterval = resendEvery;
   stopping = false;
   answers.clear();
   abandonTransfers(false);
   rowReplayKept = rowKept;
   sender = std::thread(sendScores);
}

void startShowingBoard(const std::string &address)
{
   boardUrl = address;
   abandonTransfers(false);
   boardWanted = fetchBoardNow;
}

void showLeaderboardAnswers()
{
   if (fetcher.joinable() && fetched) {
      fetcher.join();
      showBoard(board);
   }
   if (!sender.joinable())
      return;
   const std::lock_guard<std::mutex> held(lock);
   while (!answers.empty()) {
      showTableNotice(answers.front());
      answers.pop_front();
   }
}

void stopSendingScores()
{
   boardWanted = nullptr;
   rowReplayKept = nullptr;
   abandonTransfers(true);
   if (fetcher.joinable())
      fetcher.join();
   if (!sender.joinable())
      return;
   {
      const std::lock_guard<std::mutex> held(lock);
      stopping = true;
      woken.notify_one();
   }
   sender.join();
   // What was stored but not tried waits for the next start.
   for (const Bytes &bytes : toSend)
      keepForLater(bytes);
   toSend.clear();
}
