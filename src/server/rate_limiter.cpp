#include "server/rate_limiter.h"

namespace {

const std::chrono::minutes kWindow(1);

}  // namespace

bool RateLimiter::admit(const std::string &address, Clock::time_point now)
{
   std::lock_guard<std::mutex> hold(mutex_);
   // Addresses that have gone quiet are dropped once a minute, so that
   // many addresses, each once, take no memory for long.
   if (now - swept_ >= kWindow) {
      const Clock::time_point start = now - kWindow;
      recent_.forgetIf([start](const std::deque<Clock::time_point> &times) {
         return times.empty() || times.back() <= start;
      });
      swept_ = now;
   }
   std::deque<Clock::time_point> &times = recent_.heard(address);
   while (!times.empty() && times.front() <= now - kWindow)
      times.pop_front();
   // A refused submission counts too: a flood stays refused until it
   // pauses.
   times.push_back(now);
   if (times.size() > perMinute_) {
      times.pop_front();
      return false;
   }
   return true;
}

size_t RateLimiter::addresses()
{
   std::lock_guard<std::mutex> hold(mutex_);
   return recent_.size();
}
