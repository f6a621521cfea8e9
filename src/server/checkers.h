// The threads that play submissions again: one a core by default, each
// check on a game of its own, so that no check waits on another's lock.
// In front of them a bounded queue, taken in the order it was filled: a
// check that finds it full is turned away at once rather than held.
#ifndef TOSSARO_SERVER_CHECKERS_H
#define TOSSARO_SERVER_CHECKERS_H

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class Checkers {
public:
   // `count` threads, at least one; at most `waiting` checks queued
   // behind those being made.
   Checkers(unsigned count, size_t waiting);
   // Makes the checks already queued, then ends the threads.
   ~Checkers();
   Checkers(const Checkers &) = delete;
   Checkers &operator=(const Checkers &) = delete;

   // Runs `check` on one of the threads and returns once it is done (what
   // it throws is thrown here); false, at once and without running it,
   // when the queue is full.
   bool run(const std::function<void()> &check);

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

   std::mutex lock_;
   std::condition_variable queued_, finished_;
   std::deque<Check *> queue_;
   size_t making_ = 0;  // checks taken from the queue and not done yet
   size_t room_;  // checks that may be in the queue or being made at once
   bool ending_ = false;
   std::vector<std::thread> threads_;
};

#endif
