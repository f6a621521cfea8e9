// The clips of the runs: the last ten seconds of each, made as an
// animated GIF by the game's own export (tossaro --replay FILE --gif OUT
// --from S), one at a time, on time a core would otherwise leave idle.
// The queue is the database: the runs on the board without a clip, the
// best first, made one after another for as long as there are any, so
// that none is ever dropped; a clip that cannot be made is not tried
// again until the server starts again.
#ifndef TOSSARO_SERVER_CLIPS_H
#define TOSSARO_SERVER_CLIPS_H

#include <sys/types.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "server/store.h"

// The export's arguments, fixed but for the server's own file names and
// the start, which the replay's length gives: no text of a client's
// reaches the command line.
std::vector<std::string> clipCommand(const std::string &game, const std::string &replayFile,
                                     const std::string &gifFile, uint32_t ticks);

// The folders of clips that a server which is gone left in the temporary
// folder (one killed while it made a clip); a live server's are left.
void removeStaleClipFolders(const std::string &temporary);

// The run whose clip is made next: the best on the board without one,
// but for those whose clip failed; none when there is none.
std::optional<std::string> nextClip(Store &store, const std::set<std::string> &failed);

class ClipMaker {
public:
   // Starts the worker, which makes the clips the runs lack.
   ClipMaker(Store &store, std::string game);
   ~ClipMaker();
   ClipMaker(const ClipMaker &) = delete;
   ClipMaker &operator=(const ClipMaker &) = delete;

   // Says that a run without a clip has come.
   void ask();
   // Ends the clip being made, if any, and the worker.
   void stop();

private:
   void work();
   // Makes the run's clip and keeps it; returns why it could not. A
   // failure of the database is thrown.
   std::string make(const std::string &id);
   std::string runExport(const std::vector<std::string> &command, const std::string &said);

   Store &store_;
   std::string game_;
   std::mutex mutex_;
   std::condition_variable poked_;
   bool asked_ = false;  // a run has come since the worker last looked
   bool stopping_ = false;
   pid_t making_ = 0;  // the export's process while it runs
   std::thread worker_;
};

#endif
