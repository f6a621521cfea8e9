#include "server/checkers.h"

#include <algorithm>

Checkers::Checkers(unsigned count, size_t waiting) : room_(std::max(1u, count) + waiting)
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
   return queue_.size();
}

unsigned Checkers::cores()
{
   return std::max(1u, std::thread::hardware_concurrency());
}

bool Checkers::run(const std::function<void()> &check)
{
   Check entry{&check, false, nullptr};
   std::unique_lock<std::mutex> hold(lock_);
   if (queue_.size() + making_ >= room_)
      return false;
   queue_.push_back(&entry);
   queued_.notify_one();
   finished_.wait(hold, [&entry] { return entry.done; });
   if (entry.failure)
      std::rethrow_exception(entry.failure);
   return true;
}

void Checkers::serve()
{
   std::unique_lock<std::mutex> hold(lock_);
   for (;;) {
      queued_.wait(hold, [this] { return ending_ || !queue_.empty(); });
      if (queue_.empty())
         return;
      Check *check = queue_.front();
      queue_.pop_front();
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
