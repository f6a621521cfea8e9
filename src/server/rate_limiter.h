// At most so many submissions a minute from one address: a sliding
// window of the times of each address's last ones. The time is given by
// the caller, so that the window never depends on when it is checked.
#ifndef TOSSARO_SERVER_RATE_LIMITER_H
#define TOSSARO_SERVER_RATE_LIMITER_H

#include <chrono>
#include <deque>
#include <mutex>
#include <string>

#include "server/bounded_table.h"

class RateLimiter {
public:
   using Clock = std::chrono::steady_clock;

   // The addresses held at most, by default.
   static const size_t kMostAddresses = 100000;

   explicit RateLimiter(size_t perMinute, size_t mostAddresses = kMostAddresses)
       : perMinute_(perMinute), recent_(mostAddresses)
   {
   }

   // Counts a submission from `address` at `now`; false when it is one
   // too many in the minute up to `now`.
   bool admit(const std::string &address, Clock::time_point now);

   // Addresses with a submission in the last minute.
   size_t addresses();

private:
   size_t perMinute_;
   std::mutex mutex_;
   BoundedTable<std::deque<Clock::time_point>> recent_;
   Clock::time_point swept_{};
};

#endif
