// At most so many submissions a minute from one address: a sliding
// window of the times of each address's last ones. The time is given by
// the caller, so that the window never depends on when it is checked.
// The addresses it holds are bounded: past the most, the one heard from
// longest ago is forgotten first.
#ifndef TOSSARO_SERVER_RATE_LIMITER_H
#define TOSSARO_SERVER_RATE_LIMITER_H

#include <chrono>
#include <deque>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

class RateLimiter {
public:
   using Clock = std::chrono::steady_clock;

   // The addresses held at most, by default.
   static const size_t kMostAddresses = 100000;

   explicit RateLimiter(size_t perMinute, size_t mostAddresses = kMostAddresses)
       : perMinute_(perMinute), mostAddresses_(mostAddresses)
   {
   }

   // Counts a submission from `address` at `now`; false when it is one
   // too many in the minute up to `now`.
   bool admit(const std::string &address, Clock::time_point now);

   // Addresses with a submission in the last minute.
   size_t addresses();

private:
   struct Recent {
      std::deque<Clock::time_point> times;
      std::list<std::string>::iterator heard;  // its place in heardOrder_
   };

   void forgetBefore(Clock::time_point start);
   void forget(std::unordered_map<std::string, Recent>::iterator at);

   size_t perMinute_;
   size_t mostAddresses_;
   std::mutex mutex_;
   std::unordered_map<std::string, Recent> recent_;
   std::list<std::string> heardOrder_;  // the addresses, the one heard from longest ago first
   Clock::time_point swept_{};
};

#endif
