#include "server/service.h"

#include <strings.h>

#include <cstdio>
#include <random>

#include <nlohmann/json.hpp>

#include "files/say.h"
#include "server/client_address.h"
#include "server/pages.h"
#include "server/server_log.h"
#include "server/submission.h"

using Request = HttpRequest;
using Response = HttpResponse;
using json = nlohmann::ordered_json;

namespace {

const size_t kSubmissionsAMinute = 30;
const char kJson[] = "application/json";
const char kHtml[] = "text/html; charset=utf-8";
const int kPageRows = 100;
// Requests answered at once: room for every check that may wait, and
// for the pages and the API besides.
const size_t kWorkers = 64;
// Submissions that may wait for a checker, for each checker, and from one
// address: a burst of players is queued, a flood is turned away at once.
const size_t kWaitingPerChecker = 16;
const size_t kWaitingFromOne = 4;
// The play each address may have checked in a minute: two hours.
const uint64_t kTicksAMinute = 2 * 60 * 60 * kTicksPerSecond;
const char kId[] = "([0-9a-f]{16})";

void answer(Response &response, int status, const json &body)
{
   response.status = status;
   response.setContent(body.dump() + "\n", kJson);
}

void refuse(Response &response, int status, const std::string &error)
{
   answer(response, status, json{{"error", error}});
}

// A fresh id: 64 random bits, in hexadecimal.
std::string newId()
{
   static thread_local std::random_device device;
   const uint64_t bits = uint64_t(device()) << 32 | device();
   char text[17];
   snprintf(text, sizeof text, "%016llx", (unsigned long long)bits);
   return text;
}

// An integer parameter from `least` to `most`, or `fallback` when absent;
// false when it is there but no such number.
bool numberParameter(const Request &request, const char *name, int64_t least, int64_t most,
                     int64_t fallback, int64_t *value)
{
   *value = fallback;
   if (!request.hasParameter(name))
      return true;
   const std::string text = request.parameter(name);
   if (text.empty() || text.size() > 18 ||
       text.find_first_not_of("0123456789") != std::string::npos)
      return false;
   *value = std::stoll(text);
   return *value >= least && *value <= most;
}

void notFound(Response &response)
{
   response.status = 404;
   response.setContent("no such page\n", "text/plain; charset=utf-8");
}

// The checkers asked for, or one a core.
unsigned checkerCount(unsigned asked)
{
   return asked ? asked : Checkers::cores();
}

}  // namespace

Service::Service(Store &store, ClipMaker *clips, ServiceSettings settings)
    : store_(store), clips_(clips), settings_(std::move(settings)), limiter_(kSubmissionsAMinute),
      budget_(kTicksAMinute, RateLimiter::kMostAddresses),
      checkers_(checkerCount(settings_.checkers),
                kWaitingPerChecker * checkerCount(settings_.checkers), kWaitingFromOne),
      http_(kWorkers, kMaxBody)
{
   // Nothing loads from elsewhere, and nothing is taken for another type
   // than it is sent as.
   HttpFields headers = {
      {"Content-Security-Policy",
       "default-src 'none'; img-src 'self'; style-src 'self'; base-uri 'none'; "
       "form-action 'none'; frame-ancestors 'none'"},
      {"X-Content-Type-Options", "nosniff"},
      {"Referrer-Policy", "no-referrer"},
   };
   if (!settings_.allowOrigin.empty()) {
      headers.emplace_back("Access-Control-Allow-Origin", settings_.allowOrigin);
      headers.emplace_back("Vary", "Origin");
   }
   http_.setDefaultHeaders(headers);
   http_.setRefusal([](const Request &request, Response &response, const std::string &reason) {
      if (request.path.rfind("/api/", 0) == 0 || request.method == "POST")
         refuse(response, response.status, reason);
      else
         response.setContent(reason + "\n", "text/plain; charset=utf-8");
   });
   http_.setFailure([](const Request &request, Response &response, const std::string &what) {
      serverLog.say(request.method + " " + request.path + ": " + what);
      // What failed is the operator's to read, not the client's.
      refuse(response, 503, "the database is unavailable");
   });

   http_.route("POST", "/api/v1/replays", [this](const Request &q, Response &r) { submit(q, r); });
   http_.route("GET", "/api/v1/scores", [this](const Request &q, Response &r) { scores(q, r); });
   http_.route("GET", std::string("/api/v1/replays/") + kId,
               [this](const Request &q, Response &r) { replayFile(q, r); });
   http_.route("GET", "/", [this](const Request &, Response &r) {
      r.setContent(tablePage(store_.top(kPageRows, 0), store_.count()), kHtml);
   });
   http_.route("GET", std::string("/runs/") + kId, [this](const Request &q, Response &r) {
      const std::optional<Placed> placed = store_.find(q.matches[1]);
      if (placed)
         r.setContent(runPage(*placed), kHtml);
      else
         notFound(r);
   });
   http_.route("GET", std::string("/clips/") + kId + "\\.gif",
               [this](const Request &q, Response &r) {
                  const std::optional<Bytes> gif = store_.clip(q.matches[1]);
                  if (!gif)
                     return notFound(r);
                  r.setHeader("Cache-Control", "max-age=86400");
                  r.setContent(std::string(gif->begin(), gif->end()), "image/gif");
               });
   http_.route("GET", "/style.css", [](const Request &, Response &r) {
      r.setHeader("Cache-Control", "max-age=3600");
      r.setContent(kStyleSheet, "text/css; charset=utf-8");
   });
   http_.route("GET", "/healthz", [this](const Request &, Response &r) {
      const bool up = store_.writable();
      r.status = up ? 200 : 503;
      r.setContent(up ? "ok\n" : "the database is unavailable\n", "text/plain; charset=utf-8");
   });
   if (!settings_.allowOrigin.empty()) {
      // The preflight of a submission from the allowed origin's pages.
      http_.route("OPTIONS", "/api/v1/.*", [](const Request &, Response &r) {
         r.status = 204;
         r.setHeader("Access-Control-Allow-Methods", "GET, POST");
         r.setHeader("Access-Control-Allow-Headers", "Content-Type");
         r.setHeader("Access-Control-Max-Age", "86400");
      });
   }
}

void Service::submit(const Request &request, Response &response)
{
   const std::string client = clientKey(request.peer, request.header("X-Real-IP"));
   const RateLimiter::Clock::time_point now = RateLimiter::Clock::now();
   if (!limiter_.admit(client, now)) {
      response.setHeader("Retry-After", "60");
      return refuse(response, 429, "more than 30 submissions a minute from this address");
   }
   std::string type = request.header("Content-Type");
   type = type.substr(0, type.find(';'));
   while (!type.empty() && type.back() == ' ')
      type.pop_back();
   if (strcasecmp(type.c_str(), "application/octet-stream") != 0)
      return refuse(response, 415, "send the replay file as application/octet-stream");
   const Bytes bytes(request.body.begin(), request.body.end());
   Judgement judgement = examineReplay(bytes, time(nullptr));
   if (judgement.status != 0)
      return refuse(response, judgement.status, judgement.error);
   const uint64_t reservation = budget_.reserve(client, judgement.replay.ticks, now);
   if (reservation == 0) {
      response.setHeader("Retry-After", "60");
      return refuse(response, 429,
                    "more than two hours of play checked in a minute from this address");
   }
   const Checkers::Outcome outcome =
      checkers_.run(client, [&] { playAgain(judgement, settings_.rules); });
   budget_.settle(client, reservation, judgement.played);
   if (outcome == Checkers::Outcome::TooMany) {
      response.setHeader("Retry-After", "10");
      return refuse(response, 429, "this address has as many games waiting as it may");
   }
   if (outcome == Checkers::Outcome::Busy) {
      response.setHeader("Retry-After", "10");
      return refuse(response, 503, "busy checking other games: send it again in a few seconds");
   }
   if (judgement.status != 0)
      return refuse(response, judgement.status, judgement.error);
   Run run;
   run.id = newId();
   run.name = judgement.replay.name;
   run.score = judgement.replay.finalScore;
   run.ticks = judgement.replay.ticks;
   run.played = judgement.replay.start.startTime;
   run.submitted = time(nullptr);
   Addition how = Addition::New;
   const Placed placed =
      store_.add(run, digestOf(bytes), playDigestOf(judgement.replay), bytes, &how);
   if (how == Addition::SamePlay)
      return answer(response, 409,
                    json{{"error", "the same play as run " + placed.run.id +
                                      ", sent before under another name, time or version"},
                         {"id", placed.run.id}});
   if (how == Addition::New && clips_)
      clips_->ask();
   answer(response, how == Addition::New ? 201 : 200,
          json{{"id", placed.run.id},
               {"name", placed.run.name},
               {"score", placed.run.score},
               {"ticks", placed.run.ticks},
               {"rank", placed.rank},
               {"of", placed.of}});
}

void Service::scores(const Request &request, Response &response)
{
   int64_t limit, offset;
   if (!numberParameter(request, "limit", 1, 100, 10, &limit))
      return refuse(response, 400, "limit: give a number from 1 to 100");
   if (!numberParameter(request, "offset", 0, INT64_MAX / 2, 0, &offset))
      return refuse(response, 400, "offset: give a number from 0");
   json rows = json::array();
   int64_t total = 0;
   for (const Placed &p : store_.top(int(limit), offset)) {
      rows.push_back({{"rank", p.rank},
                      {"id", p.run.id},
                      {"name", p.run.name},
                      {"score", p.run.score},
                      {"ticks", p.run.ticks},
                      {"played", isoTime(p.run.played)},
                      {"submitted", isoTime(p.run.submitted)}});
      total = p.of;
   }
   if (rows.empty())
      total = store_.count();
   answer(response, 200, json{{"total", total}, {"scores", rows}});
}

void Service::replayFile(const Request &request, Response &response)
{
   const std::string id = request.matches[1];
   const std::optional<Bytes> bytes = store_.replay(id);
   if (!bytes)
      return refuse(response, 404, "no run " + id);
   response.setHeader("Content-Disposition", "attachment; filename=\"tossaro-" + id + ".rpl\"");
   response.setContent(std::string(bytes->begin(), bytes->end()), "application/octet-stream");
}
