// The server's connections, watched for what each may hold: a client
// sends its request head within 10 seconds of connecting or of its last
// answer, and the body within 30 seconds of the head, or its connection
// is cut; a kept-alive connection left idle gives way after 5 seconds once
// half the connections are taken; one address holds at most 8. A
// connection being answered has no deadline here (the HTTP library
// closes one that is silent too long).
#ifndef TOSSARO_SERVER_CONNECTION_WATCH_H
#define TOSSARO_SERVER_CONNECTION_WATCH_H

#include <chrono>
#include <functional>
#include <map>
#include <mutex>
#include <string>

// The times a connection is allowed; a test may shorten them.
struct ConnectionDeadlines {
   std::chrono::steady_clock::duration head = std::chrono::seconds(10);
   std::chrono::steady_clock::duration body = std::chrono::seconds(30);
   std::chrono::steady_clock::duration idleWhenCrowded = std::chrono::seconds(5);
};

class ConnectionWatch {
public:
   using Clock = std::chrono::steady_clock;
   static const unsigned kFromOneAddress = 8;
   using Deadlines = ConnectionDeadlines;

   explicit ConnectionWatch(unsigned mostConnections, Deadlines deadlines = {})
       : mostConnections_(mostConnections), deadlines_(deadlines)
   {
   }

   // Whether a connection from the address keyed `key` may open; "" is an
   // address of no limit.
   bool admits(const std::string &key) const;
   // The connection `id`, on `socket`, from `key`.
   void opened(const void *id, int socket, const std::string &key, Clock::time_point now);
   void headIn(const void *id, Clock::time_point now);
   void working(const void *id);
   void answering(const void *id);
   void answered(const void *id, Clock::time_point now);
   // Called before the socket is closed, so that it is never cut after.
   void closed(const void *id);
   // The connections whose request is in and whose answer is not yet
   // out.
   size_t unanswered() const;
   // Calls `cut` with the socket of each connection past its time, once
   // each, with the watch held so that no socket closes meanwhile.
   void cutOverdue(Clock::time_point now, const std::function<void(int)> &cut);

private:
   enum class Stage { Head, Body, Working, Answer };
   struct Watched {
      int socket;
      std::string key;
      Stage stage;
      Clock::time_point since;
      bool keptAlive;  // has been answered before
      bool cut;
   };

   // The connection `id`, with the watch held; null once closed.
   Watched *find(const void *id);

   const unsigned mostConnections_;
   const Deadlines deadlines_;
   mutable std::mutex mutex_;
   std::map<const void *, Watched> watched_;
   std::map<std::string, unsigned> fromAddress_;
};

#endif
