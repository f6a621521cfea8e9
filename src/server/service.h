// The leaderboard over HTTP: the API, the pages and the clips. Every answer carries the security
// headers; a failing database is answered with 503 and said on stderr.
#ifndef TOSSARO_SERVER_SERVICE_H
#define TOSSARO_SERVER_SERVICE_H

#include <string>

#include "server/checkers.h"
#include "server/clips.h"
#include "server/http_server.h"
#include "server/play_budget.h"
#include "server/rate_limiter.h"
#include "server/store.h"

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
   void submit(const HttpRequest &request, HttpResponse &response);
   void scores(const HttpRequest &request, HttpResponse &response);
   void replayFile(const HttpRequest &request, HttpResponse &response);

   Store &store_;
   ClipMaker *clips_;
   ServiceSettings settings_;
   RateLimiter limiter_;
   PlayBudget budget_;
   Checkers checkers_;
   HttpServer http_;
};

#endif
