// The threads that play submissions again: one a core by default, each
// check on a game of its own, so that no check waits on another's lock.
// In front of them a bounded queue, taken in turn across the addresses
// that wait, so that one address's backlog never delays another's first
// check; a check that finds the queue full, or its address's share of it
// taken, is turned away at once rather than held.
#ifndef TOSSARO_SERVER_CHECKERS_H
#define TOSSARO_SERVER_CHECKERS_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

class Checkers {
public:
   enum class Outcome {
      Done,  // the check was made
      Busy,  // the queue is full
      TooMany,  // the address has as many checks waiting as it may
   };

   // `count` threads, at least one; at most `waiting` checks queued
   // behind those being made, and at most `waitingFromOne` of them from
   // one address.
   Checkers(unsigned count, size_t waiting, size_t waitingFromOne);
   // Makes the checks already queued, then ends the threads.
   ~Checkers();
   Checkers(const Checkers &) = delete;
   Checkers &operator=(const Checkers &) = delete;

   // Runs `check`, sent from `address`, on one of the threads and returns
   // once it is done (what it throws is thrown here); or, at once and
   // without running it, why not.
   Outcome run(const std::string &address, const std::function<void()> &check);

   // How many checks wait for a checker now.
   size_t waiting();

   // One thread a core, as the system counts them; at least one.
   static unsigned cores();

private:
   struct Check {
      const std::function<void()> *work;
      bool done = false;
      std::exception_ptr failure;
   };

   void serve();
   // The next check in turn; the queue is not empty.
   Check *next();

   std::mutex lock_;
   std::condition_variable queued_, finished_;
   std::unordered_map<std::string, std::deque<Check *>> queues_;  // each address's, in order
   std::deque<std::string> turns_;  // the addresses that wait, the next to be served first
   size_t queuedCount_ = 0;
   size_t making_ = 0;  // checks taken from the queue and not done yet
   size_t room_;  // checks that may be in the queue or being made at once
   size_t waitingFromOne_;
   bool ending_ = false;
   std::vector<std::thread> threads_;
};

#endif
