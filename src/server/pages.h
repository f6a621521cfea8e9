// The leaderboard's pages, rendered by the server: readable without
// JavaScript, HTML5 with a small stylesheet of their own, every text that
// came from a player escaped.
#ifndef TOSSARO_SERVER_PAGES_H
#define TOSSARO_SERVER_PAGES_H

#include <string>
#include <vector>

#include "server/store.h"

// `text` safe inside an element or a quoted attribute.
std::string escapeHtml(const std::string &text);

// The table: rank, name, score, length of play and date of each run, each
// linking to its page; `total` runs in all.
std::string tablePage(const std::vector<Placed> &runs, int64_t total);

// A run's page: its figures, its clip once made, and its replay to
// download.
std::string runPage(const Placed &placed);

// A time as ISO 8601 in UTC: "2026-12-07T17:45:12Z".
std::string isoTime(int64_t seconds);

extern const char kStyleSheet[];

#endif
