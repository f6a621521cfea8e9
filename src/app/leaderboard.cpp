#include "app/leaderboard.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>

#include "files/say.h"
#include "replay/replay_file.h"

namespace {

// Long enough for a server that plays a long game again, short enough
// that a dead one is soon given up.
const long kConnectSeconds = 5;
const long kAnswerSeconds = 20;

std::atomic<bool> abandoned{false};

int goOn(void *, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
   return abandoned ? 1 : 0;
}

size_t keepAnswer(char *data, size_t size, size_t count, void *answer)
{
   static_cast<std::string *>(answer)->append(data, size * count);
   return size * count;
}

// The server's own words for a refusal, or the status when it gave none.
std::string errorOf(const std::string &body, long status)
{
   const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
   if (answer.is_object() && answer.contains("error") && answer["error"].is_string())
      return answer["error"].get<std::string>();
   return "HTTP status " + std::to_string(status);
}

}  // namespace

Submission submitReplay(const std::string &url, const std::vector<unsigned char> &bytes)
{
   static std::mutex oneAtATime;
   const std::lock_guard<std::mutex> lock(oneAtATime);
   static const CURLcode ready = curl_global_init(CURL_GLOBAL_DEFAULT);
   Submission s;
   CURL *curl = ready == CURLE_OK ? curl_easy_init() : nullptr;
   if (!curl) {
      s.reason = "libcurl could not start";
      return s;
   }
   std::string root = url;
   while (!root.empty() && root.back() == '/')
      root.pop_back();
   const std::string endpoint = root + "/api/v1/replays";
   std::string answer;
   char problem[CURL_ERROR_SIZE] = "";
   curl_slist *headers = curl_slist_append(nullptr, "Content-Type: application/octet-stream");
   curl_easy_setopt(curl, CURLOPT_URL, endpoint.c_str());
   curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
   curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
   curl_easy_setopt(curl, CURLOPT_POSTFIELDS, reinterpret_cast<const char *>(bytes.data()));
   curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(bytes.size()));
   curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
   curl_easy_setopt(curl, CURLOPT_TIMEOUT, kAnswerSeconds);
   // No signal for the time-outs: the game's other threads keep theirs.
   curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
   curl_easy_setopt(curl, CURLOPT_USERAGENT, "tossaro");
   curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keepAnswer);
   curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
   curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, problem);
   curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, goOn);
   curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
   const CURLcode sent = curl_easy_perform(curl);
   long status = 0;
   curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
   curl_slist_free_all(headers);
   curl_easy_cleanup(curl);
   if (sent != CURLE_OK) {
      s.reason = "no answer from " + root + ": " + (*problem ? problem : curl_easy_strerror(sent));
      return s;
   }
   if (status == 200 || status == 201) {
      const nlohmann::json taken = nlohmann::json::parse(answer, nullptr, false);
      if (taken.is_object() && taken.value("rank", 0) > 0 && taken.value("of", 0) > 0 &&
          taken.contains("id") && taken["id"].is_string() &&
          taken["id"].get<std::string>().find_first_not_of("0123456789abcdef") ==
             std::string::npos) {
         s.outcome = Submission::Ranked;
         s.rank = taken["rank"].get<int>();
         s.of = taken["of"].get<int>();
         s.id = taken["id"].get<std::string>();
      } else {
         s.reason = root + " answered with no rank: is it a leaderboard?";
      }
      return s;
   }
   s.reason = errorOf(answer, status);
   // A full server or one whose database is down may take it later; any
   // other refusal is for good.
   if (status == 429 || status >= 500)
      s.reason = "the server said " + std::to_string(status) + ": " + s.reason;
   else
      s.outcome = Submission::Refused;
   return s;
}

void abandonSubmissions()
{
   abandoned = true;
}

int submitReplayFile(const std::string &path, const std::string &url, const std::string &name,
                     FILE *out, FILE *err)
{
   if (url.empty()) {
      say("--submit " + path + ": no leaderboard: give --leaderboard URL, or set leaderboard "
          "in the settings", err);
      return 1;
   }
   std::string problem;
   ReplayReading reading = readReplayFile(path, &problem);
   if (!problem.empty()) {
      say(problem, err);
      return 1;
   }
   if (!name.empty())
      reading.replay.name = name;
   if (reading.replay.name.empty()) {
      say(path + ": the game has no name (it made no row of the table): give --name NAME", err);
      return 1;
   }
   const Submission s = submitReplay(url, encodeReplay(reading.replay));
   if (s.outcome != Submission::Ranked) {
      say(path + ": " + (s.outcome == Submission::Refused ? "refused: " : "") + s.reason, err);
      return 1;
   }
   fprintf(out, "rank %d of %d (%s)\n", s.rank, s.of, s.id.c_str());
   return 0;
}
