#include "server/clips.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "files/background_process.h"
#include "files/input_file.h"
#include "replay/replay_file.h"
#include "server/server_log.h"

namespace {

const uint32_t kClipTicks = 1000;  // ten seconds
const int kTicksPerSecond = 100;
// A clip for the web: half the game's frame rate, half the bytes.
const char kClipFps[] = "25";
// The largest clip kept: ten seconds take some 2 MB.
const size_t kLargestClip = 16u << 20;

// Clip folders are named after the server's process, so that the
// folders of a server that is gone can be told from a live one's.
const char kClipFolderPrefix[] = "tossaro-server-clip-";
// How long the worker sleeps when no run lacks a clip, before it looks
// again (a run of another server on the same database, say).
const std::chrono::minutes kIdleLook(1);

std::string temporaryFolder()
{
   const char *temporary = getenv("TMPDIR");
   return temporary && *temporary ? temporary : "/tmp";
}

// A folder of its own for a clip's files, removed with them.
class ClipFolder {
public:
   ClipFolder()
   {
      std::string pattern =
         temporaryFolder() + "/" + kClipFolderPrefix + std::to_string(getpid()) + "-XXXXXX";
      if (mkdtemp(&pattern[0]))
         path_ = pattern;
   }
   ~ClipFolder()
   {
      std::error_code ignored;
      if (!path_.empty())
         std::filesystem::remove_all(path_, ignored);
   }
   const std::string &path() const { return path_; }

private:
   std::string path_;
};

// The last line of what the export said, without its "tossaro: ".
std::string lastLine(const std::string &file)
{
   const InputFile said = read_input_file(file, 1 << 16);
   std::string text(said.bytes.begin(), said.bytes.end());
   while (!text.empty() && text.back() == '\n')
      text.pop_back();
   text.erase(0, text.rfind('\n') + 1);
   if (text.rfind("tossaro: ", 0) == 0)
      text.erase(0, 9);
   return text;
}

}  // namespace

void removeStaleClipFolders(const std::string &temporary)
{
   std::error_code failed;
   for (const auto &entry : std::filesystem::directory_iterator(temporary, failed)) {
      const std::string name = entry.path().filename();
      if (name.rfind(kClipFolderPrefix, 0) != 0 || !entry.is_directory(failed))
         continue;
      // "PID-XXXXXX", or "XXXXXX" from a server before folders had its pid.
      const std::string rest = name.substr(strlen(kClipFolderPrefix));
      const size_t dash = rest.find('-');
      const pid_t pid = dash == std::string::npos ? 0 : pid_t(atol(rest.substr(0, dash).c_str()));
      if (pid > 0 && (kill(pid, 0) == 0 || errno != ESRCH))
         continue;
      std::filesystem::remove_all(entry.path(), failed);
   }
}

std::optional<std::string> nextClip(Store &store, const std::set<std::string> &failed)
{
   for (const std::string &id : store.withoutClip(int(failed.size()) + 1)) {
      if (failed.count(id) == 0)
         return id;
   }
   return std::nullopt;
}

std::vector<std::string> clipCommand(const std::string &game, const std::string &replayFile,
                                     const std::string &gifFile, uint32_t ticks)
{
   const uint32_t from = ticks > kClipTicks ? ticks - kClipTicks : 0;
   char seconds[32];
   snprintf(seconds, sizeof seconds, "%u.%02u", from / kTicksPerSecond, from % kTicksPerSecond);
   return {game, "--replay", replayFile, "--gif", gifFile, "--from", seconds, "--fps", kClipFps};
}

ClipMaker::ClipMaker(Store &store, std::string game) : store_(store), game_(std::move(game))
{
   removeStaleClipFolders(temporaryFolder());
   worker_ = std::thread([this] { work(); });
}

ClipMaker::~ClipMaker()
{
   stop();
}

void ClipMaker::ask()
{
   std::lock_guard<std::mutex> hold(mutex_);
   asked_ = true;
   poked_.notify_one();
}

void ClipMaker::stop()
{
   {
      std::lock_guard<std::mutex> hold(mutex_);
      stopping_ = true;
      if (making_ > 0)
         kill(making_, SIGKILL);
      poked_.notify_one();
   }
   if (worker_.joinable())
      worker_.join();
}

void ClipMaker::work()
{
   // The runs whose clip could not be made in this run of the server.
   std::set<std::string> failed;
   for (;;) {
      std::optional<std::string> id;
      std::string problem;
      try {
         id = nextClip(store_, failed);
         if (id)
            problem = make(*id);
      } catch (const StoreError &error) {
         // The database's failure is no clip's: the run is tried again.
         serverLog.say(std::string("the clips: ") + error.what());
         id.reset();
      }
      if (!id) {
         std::unique_lock<std::mutex> hold(mutex_);
         poked_.wait_for(hold, kIdleLook, [this] { return stopping_ || asked_; });
         asked_ = false;
         if (stopping_)
            return;
         continue;
      }
      std::lock_guard<std::mutex> hold(mutex_);
      if (stopping_)
         return;
      if (!problem.empty()) {
         failed.insert(*id);
         serverLog.say("the clip of run " + *id + ": " + problem);
      }
   }
}

std::string ClipMaker::make(const std::string &id)
{
   const std::optional<Bytes> replay = store_.replay(id);
   if (!replay)
      return "no such run";
   const ReplayReading reading = decodeReplay(replay->data(), replay->size());
   const ClipFolder folder;
   if (folder.path().empty())
      return std::string("cannot make a temporary folder: ") + strerror(errno);
   const std::string replayFile = folder.path() + "/run.rpl", gifFile = folder.path() + "/clip.gif";
   std::ofstream(replayFile, std::ios::binary)
      .write(reinterpret_cast<const char *>(replay->data()), std::streamsize(replay->size()));
   const std::string problem = runExport(
      clipCommand(game_, replayFile, gifFile, reading.replay.ticks), folder.path() + "/said");
   if (!problem.empty())
      return problem;
   const InputFile gif = read_input_file(gifFile, kLargestClip);
   if (!gif.problem.empty())
      return gif.problem;
   store_.keepClip(id, gif.bytes);
   return "";
}

std::string ClipMaker::runExport(const std::vector<std::string> &command, const std::string &said)
{
   // Only time a core would otherwise leave idle, so that answering
   // players comes first; in its own session, the server ends it itself.
   const int log = open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
   pid_t pid = -1;
   int failure = 0;
   {
      std::lock_guard<std::mutex> hold(mutex_);
      if (log < 0 || stopping_)
         failure = stopping_ ? ECANCELED : errno;
      else if ((pid = start_background_process(command, log)) < 0)
         failure = errno;
      else
         making_ = pid;
   }
   if (log >= 0)
      close(log);
   if (failure != 0)
      return "cannot run " + command[0] + ": " + strerror(failure);
   const std::string ended = wait_for_process(pid, command[0]);
   {
      std::lock_guard<std::mutex> hold(mutex_);
      making_ = 0;
   }
   if (ended.empty())
      return ended;
   const std::string line = lastLine(said);
   return line.empty() ? ended : line;
}
