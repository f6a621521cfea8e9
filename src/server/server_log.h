// What the server says on stderr: each line once, and the same line again
// within a minute only counted, said with its count when it comes after
// the minute, so that a failure repeated by every request (a full disk,
// a lost database) is one line a minute rather than thousands.
#ifndef TOSSARO_SERVER_SERVER_LOG_H
#define TOSSARO_SERVER_SERVER_LOG_H

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>

#include "server/bounded_table.h"

class ServerLog {
public:
   using Clock = std::chrono::steady_clock;

   explicit ServerLog(FILE *out) : out_(out) {}

   // Says the line at `now`, or counts it when it was said less than a
   // minute before.
   void say(const std::string &line, Clock::time_point now = Clock::now());

private:
   struct Said {
      bool ever = false;
      Clock::time_point at{};  // when it was last said
      long since = 0;  // how many times it came since, unsaid
   };

   FILE *out_;
   std::mutex mutex_;
   BoundedTable<Said> said_{1000};  // the lines said lately, by their text
};

// The server's log on stderr; written by the service and the clips.
extern ServerLog serverLog;

#endif
