#include "server/connection_watch.h"

bool ConnectionWatch::admits(const std::string &key) const
{
   if (key.empty())
      return true;
   std::lock_guard<std::mutex> lock(mutex_);
   const auto count = fromAddress_.find(key);
   return count == fromAddress_.end() || count->second < kFromOneAddress;
}

void ConnectionWatch::opened(const void *id, int socket, const std::string &key,
                             Clock::time_point now)
{
   std::lock_guard<std::mutex> lock(mutex_);
   watched_[id] = Watched{socket, key, Stage::Head, now, false, false};
   if (!key.empty())
      fromAddress_[key]++;
}

ConnectionWatch::Watched *ConnectionWatch::find(const void *id)
{
   const auto found = watched_.find(id);
   return found == watched_.end() ? nullptr : &found->second;
}

void ConnectionWatch::headIn(const void *id, Clock::time_point now)
{
   std::lock_guard<std::mutex> lock(mutex_);
   if (Watched *connection = find(id)) {
      connection->stage = Stage::Body;
      connection->since = now;
   }
}

void ConnectionWatch::working(const void *id)
{
   std::lock_guard<std::mutex> lock(mutex_);
   if (Watched *connection = find(id))
      connection->stage = Stage::Working;
}

void ConnectionWatch::answering(const void *id)
{
   std::lock_guard<std::mutex> lock(mutex_);
   if (Watched *connection = find(id))
      connection->stage = Stage::Answer;
}

void ConnectionWatch::answered(const void *id, Clock::time_point now)
{
   std::lock_guard<std::mutex> lock(mutex_);
   if (Watched *connection = find(id)) {
      connection->stage = Stage::Head;
      connection->since = now;
      connection->keptAlive = true;
   }
}

void ConnectionWatch::closed(const void *id)
{
   std::lock_guard<std::mutex> lock(mutex_);
   const auto found = watched_.find(id);
   if (found == watched_.end())
      return;
   const std::string &key = found->second.key;
   if (!key.empty() && --fromAddress_[key] == 0)
      fromAddress_.erase(key);
   watched_.erase(found);
}

size_t ConnectionWatch::unanswered() const
{
   std::lock_guard<std::mutex> lock(mutex_);
   size_t count = 0;
   for (const auto &[id, connection] : watched_)
      count += connection.stage == Stage::Working || connection.stage == Stage::Answer;
   return count;
}

void ConnectionWatch::cutOverdue(Clock::time_point now, const std::function<void(int)> &cut)
{
   std::lock_guard<std::mutex> lock(mutex_);
   const bool crowded = watched_.size() * 2 > mostConnections_;
   for (auto &[id, connection] : watched_) {
      Clock::duration allowed;
      if (connection.stage == Stage::Head)
         allowed = connection.keptAlive && crowded ? deadlines_.idleWhenCrowded : deadlines_.head;
      else if (connection.stage == Stage::Body)
         allowed = deadlines_.body;
      else
         continue;
      if (!connection.cut && now - connection.since >= allowed) {
         connection.cut = true;
         cut(connection.socket);
      }
   }
}
