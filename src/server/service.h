// The leaderboard over HTTP: the API, the pages and the clips, on
// cpp-httplib's server. Every answer carries the security headers; a
// failing database is answered with 503 and said on stderr.
#ifndef TOSSARO_SERVER_SERVICE_H
#define TOSSARO_SERVER_SERVICE_H

#include <httplib.h>
#include <sys/socket.h>

#include <string>

#include "server/checkers.h"
#include "server/clips.h"
#include "server/play_budget.h"
#include "server/rate_limiter.h"
#include "server/store.h"

// cpp-httplib's server, with room for the connections that arrive at once:
// the library listens with a backlog of 5, which a burst of clients
// overflows, each then waiting a second for its connection to be tried
// again.
class HttpServer : public httplib::Server {
public:
   // After binding: the backlog the system allows.
   void widenBacklog() { ::listen(svr_sock_, SOMAXCONN); }
};

struct ServiceSettings {
   std::string allowOrigin;  // empty: no cross-origin access
   std::string rules;  // the game's version whose rules judge the replays
   unsigned checkers = 0;  // submissions played again at once; 0: one a core
};

class Service {
public:
   // `clips` makes the clips of new runs; null for none.
   Service(Store &store, ClipMaker *clips, ServiceSettings settings);

   HttpServer &http() { return http_; }

private:
   void submit(const httplib::Request &request, httplib::Response &response);
   void scores(const httplib::Request &request, httplib::Response &response);
   void replayFile(const httplib::Request &request, httplib::Response &response);

   Store &store_;
   ClipMaker *clips_;
   ServiceSettings settings_;
   RateLimiter limiter_;
   PlayBudget budget_;
   Checkers checkers_;
   HttpServer http_;
};

#endif
