#include "server/server_log.h"

#include "files/say.h"

ServerLog serverLog(stderr);

void ServerLog::say(const std::string &line, Clock::time_point now)
{
   std::lock_guard<std::mutex> hold(mutex_);
   Said &said = said_.heard(line);
   if (said.ever && now - said.at < std::chrono::minutes(1)) {
      said.since++;
      return;
   }
   const std::string count =
      said.since ? " (and " + std::to_string(said.since) + " more times in the minute before)" : "";
   say_as("tossaro-server", line + count, out_);
   said.ever = true;
   said.at = now;
   said.since = 0;
}
