#include "server/play_budget.h"

namespace {

const std::chrono::minutes kWindow(1);

}  // namespace

PlayBudget::PlayBudget(uint64_t ticksAMinute, size_t mostAddresses)
    : ticksAMinute_(ticksAMinute), spent_(mostAddresses)
{
}

uint64_t PlayBudget::reserve(const std::string &address, uint32_t ticks, Clock::time_point now)
{
   std::lock_guard<std::mutex> hold(mutex_);
   const Clock::time_point start = now - kWindow;
   if (now - swept_ >= kWindow) {
      spent_.forgetIf([start](const std::deque<Spent> &spent) {
         return spent.empty() || spent.back().when <= start;
      });
      swept_ = now;
   }
   std::deque<Spent> &spent = spent_.heard(address);
   while (!spent.empty() && spent.front().when <= start)
      spent.pop_front();
   uint64_t total = 0;
   for (const Spent &s : spent)
      total += s.ticks;
   if (total >= ticksAMinute_)
      return 0;
   spent.push_back({++reservations_, now, ticks});
   return reservations_;
}

void PlayBudget::settle(const std::string &address, uint64_t reservation, uint32_t played)
{
   std::lock_guard<std::mutex> hold(mutex_);
   for (Spent &s : spent_.heard(address)) {
      if (s.number == reservation)
         s.ticks = played;
   }
}
