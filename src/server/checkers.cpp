#include "server/checkers.h"

#include <algorithm>

Checkers::Checkers(unsigned count, size_t waiting, size_t waitingFromOne)
    : room_(std::max(1u, count) + waiting), waitingFromOne_(waitingFromOne)
{
   for (unsigned k = 0; k < std::max(1u, count); k++)
      threads_.emplace_back([this] { serve(); });
}

Checkers::~Checkers()
{
   {
      std::lock_guard<std::mutex> hold(lock_);
      ending_ = true;
   }
   queued_.notify_all();
   for (std::thread &thread : threads_)
      thread.join();
}

size_t Checkers::waiting()
{
   std::lock_guard<std::mutex> hold(lock_);
   return queuedCount_;
}

unsigned Checkers::cores()
{
   return std::max(1u, std::thread::hardware_concurrency());
}

Checkers::Outcome Checkers::run(const std::string &address, const std::function<void()> &check)
{
   Check entry{&check, false, nullptr};
   std::unique_lock<std::mutex> hold(lock_);
   if (queuedCount_ + making_ >= room_)
      return Outcome::Busy;
   const auto at = queues_.find(address);
   if (at != queues_.end() && at->second.size() >= waitingFromOne_)
      return Outcome::TooMany;
   std::deque<Check *> &queue = queues_[address];
   if (queue.empty())
      turns_.push_back(address);
   queue.push_back(&entry);
   queuedCount_++;
   queued_.notify_one();
   finished_.wait(hold, [&entry] { return entry.done; });
   if (entry.failure)
      std::rethrow_exception(entry.failure);
   return Outcome::Done;
}

Checkers::Check *Checkers::next()
{
   const std::string address = turns_.front();
   turns_.pop_front();
   std::deque<Check *> &queue = queues_[address];
   Check *check = queue.front();
   queue.pop_front();
   if (queue.empty())
      queues_.erase(address);
   else
      turns_.push_back(address);
   queuedCount_--;
   return check;
}

void Checkers::serve()
{
   std::unique_lock<std::mutex> hold(lock_);
   for (;;) {
      queued_.wait(hold, [this] { return ending_ || queuedCount_ > 0; });
      if (queuedCount_ == 0)
         return;
      Check *check = next();
      making_++;
      hold.unlock();
      std::exception_ptr failure;
      try {
         (*check->work)();
      } catch (...) {
         failure = std::current_exception();
      }
      hold.lock();
      making_--;
      check->failure = failure;
      check->done = true;
      finished_.notify_all();
   }
}
