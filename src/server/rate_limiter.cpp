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
      forgetBefore(now - kWindow);
      swept_ = now;
   }
   auto at = recent_.find(address);
   if (at == recent_.end()) {
      if (recent_.size() >= mostAddresses_)
         forget(recent_.find(heardOrder_.front()));
      heardOrder_.push_back(address);
      at = recent_.emplace(address, Recent{{}, std::prev(heardOrder_.end())}).first;
   } else {
      heardOrder_.splice(heardOrder_.end(), heardOrder_, at->second.heard);
   }
   std::deque<Clock::time_point> &times = at->second.times;
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

void RateLimiter::forget(std::unordered_map<std::string, Recent>::iterator at)
{
   heardOrder_.erase(at->second.heard);
   recent_.erase(at);
}

void RateLimiter::forgetBefore(Clock::time_point start)
{
   for (auto k = recent_.begin(); k != recent_.end();) {
      const auto next = std::next(k);
      if (k->second.times.empty() || k->second.times.back() <= start)
         forget(k);
      k = next;
   }
}
