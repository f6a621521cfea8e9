#include "server/pages.h"

#include <ctime>

#include "replay/playback.h"

namespace {

std::string head(const std::string &title)
{
   return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
          "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
          escapeHtml(title) +
          "</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n<body>\n";
}

const char kFoot[] = "</body>\n</html>\n";

std::string utcTime(int64_t seconds, const char *format)
{
   const time_t when = time_t(seconds);
   struct tm parts;
   char text[32];
   if (!gmtime_r(&when, &parts) || !strftime(text, sizeof text, format, &parts))
      return "";
   return text;
}

// "2026-12-07", or with the time of day, in UTC, as a <time> element.
std::string timeElement(int64_t seconds, bool withTime)
{
   return "<time datetime=\"" + isoTime(seconds) + "\">" +
          utcTime(seconds, withTime ? "%Y-%m-%d %H:%M UTC" : "%Y-%m-%d") + "</time>";
}

}  // namespace

std::string isoTime(int64_t seconds)
{
   return utcTime(seconds, "%Y-%m-%dT%H:%M:%SZ");
}

std::string escapeHtml(const std::string &text)
{
   std::string safe;
   for (char c : text) {
      switch (c) {
      case '&':
         safe += "&amp;";
         break;
      case '<':
         safe += "&lt;";
         break;
      case '>':
         safe += "&gt;";
         break;
      case '"':
         safe += "&quot;";
         break;
      case '\'':
         safe += "&#39;";
         break;
      default:
         safe += c;
      }
   }
   return safe;
}

std::string tablePage(const std::vector<Placed> &runs, int64_t total)
{
   std::string page = head("Tossaro: the leaderboard");
   page +=
      "<header>\n<h1>Tossaro</h1>\n<p>Every game in this table was played again by the "
      "game's own rules: the scores are the ones the games really made.</p>\n</header>\n<main>\n";
   if (runs.empty()) {
      page += "<p>No game has been submitted yet.</p>\n";
   } else {
      page += "<table>\n<caption>The best " + std::to_string(runs.size()) + " of " +
              std::to_string(total) + (total == 1 ? " game" : " games") +
              "</caption>\n<thead>\n<tr><th scope=\"col\">Rank</th><th scope=\"col\">Name</th>"
              "<th scope=\"col\">Score</th><th scope=\"col\">Length</th><th scope=\"col\">Date</th>"
              "</tr>\n</thead>\n<tbody>\n";
      for (const Placed &p : runs) {
         page += "<tr><td>" + std::to_string(p.rank) + "</td><td><a href=\"/runs/" + p.run.id +
                 "\"><bdi>" + escapeHtml(p.run.name) + "</bdi></a></td><td>" +
                 std::to_string(p.run.score) + "</td><td>" + playingTime(p.run.ticks) +
                 "</td><td>" + timeElement(p.run.played, false) + "</td></tr>\n";
      }
      page += "</tbody>\n</table>\n";
   }
   return page + "</main>\n" + kFoot;
}

std::string runPage(const Placed &placed)
{
   const Run &run = placed.run;
   const std::string name = escapeHtml(run.name);
   // The title holds no markup: the name is isolated there by the
   // first-strong isolate and its pop, as <bdi> does on the page, so that a
   // name written right to left cannot turn the rest around.
   std::string page = head("Tossaro: \u2068" + run.name + "\u2069, " + std::to_string(run.score));
   page += "<header>\n<p><a href=\"/\">The leaderboard</a></p>\n<h1><bdi>" + name +
           "</bdi></h1>\n</header>\n<main>\n";
   if (run.hasClip)
      page += "<p><img src=\"/clips/" + run.id +
              ".gif\" width=\"640\" height=\"480\" alt=\"The last ten "
              "seconds of " +
              name + "&#39;s game\"></p>\n";
   else
      page += "<p>The clip of its last ten seconds is not made yet.</p>\n";
   page += "<dl>\n<dt>Rank</dt><dd>" + std::to_string(placed.rank) + " of " +
           std::to_string(placed.of) + "</dd>\n<dt>Score</dt><dd>" + std::to_string(run.score) +
           "</dd>\n<dt>Length of play</dt><dd>" + playingTime(run.ticks) + " (" +
           std::to_string(run.ticks) + " ticks)</dd>\n<dt>Played</dt><dd>" +
           timeElement(run.played, true) + "</dd>\n<dt>Submitted</dt><dd>" +
           timeElement(run.submitted, true) + "</dd>\n</dl>\n";
   page += "<p><a href=\"/api/v1/replays/" + run.id + "\" download=\"tossaro-" + run.id +
           ".rpl\">Download the replay</a>, and watch it with <code>tossaro --replay tossaro-" +
           run.id + ".rpl</code>.</p>\n";
   return page + "</main>\n" + kFoot;
}

const char kStyleSheet[] =
   "body { margin: 0 auto; max-width: 44rem; padding: 1rem; background: #10141c; color: #e8e8e0;\n"
   "  font: 1rem/1.5 system-ui, sans-serif; }\n"
   "h1 { margin: 0.5rem 0; color: #ffd23f; letter-spacing: 0.05em; }\n"
   "a { color: #7fd1ff; }\n"
   "table { width: 100%; border-collapse: collapse; }\n"
   "caption { text-align: left; padding: 0.5rem 0; color: #b8b8b0; }\n"
   "th, td { padding: 0.3rem 0.6rem; text-align: left; border-bottom: 1px solid #2c3444; }\n"
   "td:nth-child(1), td:nth-child(3), td:nth-child(4), th:nth-child(1), th:nth-child(3),\n"
   "th:nth-child(4) { text-align: right; font-variant-numeric: tabular-nums; }\n"
   "tbody tr:nth-child(-n+3) td:nth-child(2) { font-weight: bold; }\n"
   "td:nth-child(2), h1 { overflow-wrap: anywhere; }\n"
   "dl { display: grid; grid-template-columns: max-content auto; gap: 0.2rem 1rem; }\n"
   "dt { color: #b8b8b0; }\n"
   "dd { margin: 0; }\n"
   "img { display: block; max-width: 100%; height: auto; image-rendering: pixelated;\n"
   "  border: 2px solid #2c3444; }\n";
