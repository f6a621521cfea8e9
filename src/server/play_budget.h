// How much play each address may have checked in a minute: checking a
// replay again costs a core about a second a day of play, so one sender
// of long games, honest or forged, could keep the checkers from everyone
// else. A check reserves the ticks its replay claims before it is made,
// and is charged what it really played once it is done: a forgery caught
// early costs its sender only what it cost the server.
#ifndef TOSSARO_SERVER_PLAY_BUDGET_H
#define TOSSARO_SERVER_PLAY_BUDGET_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "server/bounded_table.h"

class PlayBudget {
public:
   using Clock = std::chrono::steady_clock;

   // Ticks a minute each address may have checked, and the addresses held
   // at most.
   PlayBudget(uint64_t ticksAMinute, size_t mostAddresses);

   // Reserves `ticks` for `address` at `now`, unless what it has had
   // checked in the minute up to now already reaches the budget. Returns
   // the reservation's number for settle(), or 0 when refused.
   uint64_t reserve(const std::string &address, uint32_t ticks, Clock::time_point now);
   // Charges the reservation with the ticks that were really played.
   void settle(const std::string &address, uint64_t reservation, uint32_t played);

private:
   struct Spent {
      uint64_t number;
      Clock::time_point when;
      uint64_t ticks;
   };

   uint64_t ticksAMinute_;
   std::mutex mutex_;
   BoundedTable<std::deque<Spent>> spent_;
   uint64_t reservations_ = 0;
   Clock::time_point swept_{};
};

#endif
