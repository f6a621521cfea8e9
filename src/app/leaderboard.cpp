#include "app/leaderboard.h"

#include <curl/curl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>

#include "files/say.h"
#include "replay/replay_file.h"

namespace {

// Long enough for a server that plays a long game again, short enough
// that a dead one is soon given up.
const long kConnectSeconds = 5;
const long kAnswerSeconds = 20;
// Far more than the ten best rows or any rank a leaderboard gives: a
// server sending more is no leaderboard, and the game keeps none of it.
const size_t kMaxAnswerBytes = 64 * 1024;
// The most of a server's words said on the table screen or stderr.
const size_t kMaxReasonChars = 120;

std::atomic<bool> abandoned{false};

int goOn(void *, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
   return abandoned ? 1 : 0;
}

size_t keepAnswer(char *data, size_t size, size_t count, void *answer)
{
   std::string *kept = static_cast<std::string *>(answer);
   // Taking less than was given makes libcurl end the transfer.
   if (kept->size() + size * count > kMaxAnswerBytes)
      return 0;
   kept->append(data, size * count);
   return size * count;
}

// A server's words as one line that a terminal shows as it is: control
// characters become blanks, and a long text is cut.
std::string oneLine(const std::string &words)
{
   std::string line;
   for (const char c : words.substr(0, kMaxReasonChars))
      line += (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) ? ' ' : c;
   return words.size() > kMaxReasonChars ? line + "..." : line;
}

// The server's own words for a refusal, or the status when it gave none.
std::string errorOf(const std::string &body, long status)
{
   const nlohmann::json answer = nlohmann::json::parse(body, nullptr, false);
   if (answer.is_object() && answer.contains("error") && answer["error"].is_string())
      return oneLine(answer["error"].get<std::string>());
   return "HTTP status " + std::to_string(status);
}

// A whole number the answer holds under `key`, or nothing: a server's
// answer of another shape is no reason to stop.
std::optional<int64_t> numberOf(const nlohmann::json &object, const char *key)
{
   if (!object.is_object() || !object.contains(key) || !object[key].is_number_integer())
      return std::nullopt;
   return object[key].get<int64_t>();
}

std::string rootOf(const std::string &url)
{
   std::string root = url;
   while (!root.empty() && root.back() == '/')
      root.pop_back();
   return root;
}

// One request and its answer: a GET, or a POST of a replay's bytes.
struct Exchange {
   CURLcode sent = CURLE_FAILED_INIT;
   std::string problem;  // when not sent: libcurl's words
   long status = 0;
   std::string answer;
};

Exchange exchange(const std::string &address, const std::vector<unsigned char> *replay)
{
   static const CURLcode ready = curl_global_init(CURL_GLOBAL_DEFAULT);
   Exchange e;
   CURL *curl = ready == CURLE_OK ? curl_easy_init() : nullptr;
   if (!curl) {
      e.problem = "libcurl could not start";
      return e;
   }
   char problem[CURL_ERROR_SIZE] = "";
   curl_slist *headers = nullptr;
   curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
   curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
   if (replay) {
      headers = curl_slist_append(headers, "Content-Type: application/octet-stream");
      curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
      curl_easy_setopt(curl, CURLOPT_POSTFIELDS, reinterpret_cast<const char *>(replay->data()));
      curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(replay->size()));
   }
   curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
   curl_easy_setopt(curl, CURLOPT_TIMEOUT, kAnswerSeconds);
   // No signal for the time-outs: the game's other threads keep theirs.
   curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
   curl_easy_setopt(curl, CURLOPT_USERAGENT, "tossaro");
   curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, keepAnswer);
   curl_easy_setopt(curl, CURLOPT_WRITEDATA, &e.answer);
   curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, problem);
   curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, goOn);
   curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
   e.sent = curl_easy_perform(curl);
   curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &e.status);
   curl_slist_free_all(headers);
   curl_easy_cleanup(curl);
   if (e.sent == CURLE_WRITE_ERROR)
      e.problem = "answered with more than " + std::to_string(kMaxAnswerBytes / 1024) +
                  " KiB: is it a leaderboard?";
   else if (e.sent != CURLE_OK)
      e.problem = *problem ? problem : curl_easy_strerror(e.sent);
   return e;
}

}  // namespace

Submission submitReplay(const std::string &url, const std::vector<unsigned char> &bytes)
{
   static std::mutex oneAtATime;
   const std::lock_guard<std::mutex> lock(oneAtATime);
   const std::string root = rootOf(url);
   const Exchange e = exchange(root + "/api/v1/replays", &bytes);
   Submission s;
   if (e.sent == CURLE_WRITE_ERROR) {
      s.reason = root + " " + e.problem;
      return s;
   }
   if (e.sent != CURLE_OK) {
      s.reason = "no answer from " + root + ": " + e.problem;
      return s;
   }
   if (e.status == 200 || e.status == 201) {
      const nlohmann::json taken = nlohmann::json::parse(e.answer, nullptr, false);
      const std::optional<int64_t> rank = numberOf(taken, "rank"), of = numberOf(taken, "of");
      if (rank.value_or(0) > 0 && of.value_or(0) > 0 && taken.contains("id") &&
          taken["id"].is_string() &&
          taken["id"].get<std::string>().find_first_not_of("0123456789abcdef") ==
             std::string::npos) {
         s.outcome = Submission::Ranked;
         s.rank = int(*rank);
         s.of = int(*of);
         s.id = taken["id"].get<std::string>();
      } else {
         s.reason = root + " answered with no rank: is it a leaderboard?";
      }
      return s;
   }
   s.reason = errorOf(e.answer, e.status);
   // A full server or one whose database is down may take it later; any
   // other refusal is for good.
   if (e.status == 429 || e.status >= 500)
      s.reason = "the server said " + std::to_string(e.status) + ": " + s.reason;
   else
      s.outcome = Submission::Refused;
   return s;
}

Board fetchBoard(const std::string &url, int count)
{
   const std::string root = rootOf(url);
   const Exchange e = exchange(root + "/api/v1/scores?limit=" + std::to_string(count), nullptr);
   Board board;
   if (e.sent != CURLE_OK) {
      board.problem = e.sent == CURLE_WRITE_ERROR ? root + " " + e.problem
                                                  : std::string("offline: ") + curl_easy_strerror(e.sent);
      return board;
   }
   if (e.status != 200) {
      board.problem =
         "the server said " + std::to_string(e.status) + ": " + errorOf(e.answer, e.status);
      return board;
   }
   const nlohmann::json answer = nlohmann::json::parse(e.answer, nullptr, false);
   const std::optional<int64_t> total = numberOf(answer, "total");
   bool whole = total && answer.contains("scores") && answer["scores"].is_array();
   if (whole) {
      board.total = *total;
      for (const nlohmann::json &row : answer["scores"]) {
         const std::optional<int64_t> rank = numberOf(row, "rank"), score = numberOf(row, "score");
         whole = whole && rank && score && row.contains("name") && row["name"].is_string();
         if (whole)
            board.rows.push_back({*rank, row["name"].get<std::string>(), *score});
      }
   }
   if (!whole)
      board = {{}, 0, root + " answered with no board: is it a leaderboard?"};
   return board;
}

void abandonTransfers(bool abandon)
{
   abandoned = abandon;
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
