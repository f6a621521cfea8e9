// The clips of the runs: the last ten seconds of each, made as an
// animated GIF by the game's own export (tossaro --replay FILE --gif OUT
// --from S), one at a time, after the submission has been answered. The
// runs wait in a bounded queue; one that finds it full, and one whose
// clip was cut short by the server's end, is taken again at the next
// start, from the runs the database holds without a clip.
#ifndef TOSSARO_SERVER_CLIPS_H
#define TOSSARO_SERVER_CLIPS_H

#include <sys/types.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "server/store.h"

// The export's arguments, fixed but for the server's own file names and
// the start, which the replay's length gives: no text of a client's
// reaches the command line.
std::vector<std::string> clipCommand(const std::string &game, const std::string &replayFile,
                                     const std::string &gifFile, uint32_t ticks);

class ClipMaker {
public:
   static const size_t kQueued = 64;

   // Starts the worker, with the runs that have no clip yet queued.
   ClipMaker(Store &store, std::string game);
   ~ClipMaker();
   ClipMaker(const ClipMaker &) = delete;
   ClipMaker &operator=(const ClipMaker &) = delete;

   // Queues the run's clip, unless the queue is full.
   void ask(const std::string &id);
   // Ends the clip being made, if any, and the worker.
   void stop();

private:
   void work();
   // Makes the run's clip and keeps it; returns why it could not.
   std::string make(const std::string &id);
   std::string runExport(const std::vector<std::string> &command, const std::string &said);

   Store &store_;
   std::string game_;
   std::mutex mutex_;
   std::condition_variable asked_;
   std::deque<std::string> queue_;
   bool stopping_ = false;
   pid_t making_ = 0;  // the export's process while it runs
   std::thread worker_;
};

#endif
