#include "server/clips.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
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

// A folder of its own for a clip's files, removed with them.
class ClipFolder {
public:
   ClipFolder()
   {
      const char *temporary = getenv("TMPDIR");
      std::string pattern =
         std::string(temporary && *temporary ? temporary : "/tmp") + "/tossaro-server-clip-XXXXXX";
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
   try {
      const std::vector<std::string> waiting = store_.withoutClip(int(kQueued));
      queue_.assign(waiting.begin(), waiting.end());
   } catch (const StoreError &error) {
      serverLog.say(std::string("the runs without a clip: ") + error.what());
   }
   worker_ = std::thread([this] { work(); });
}

ClipMaker::~ClipMaker()
{
   stop();
}

void ClipMaker::ask(const std::string &id)
{
   std::lock_guard<std::mutex> hold(mutex_);
   if (queue_.size() < kQueued && !stopping_) {
      queue_.push_back(id);
      asked_.notify_one();
   }
}

void ClipMaker::stop()
{
   {
      std::lock_guard<std::mutex> hold(mutex_);
      stopping_ = true;
      if (making_ > 0)
         kill(making_, SIGKILL);
      asked_.notify_one();
   }
   if (worker_.joinable())
      worker_.join();
}

void ClipMaker::work()
{
   for (;;) {
      std::string id;
      {
         std::unique_lock<std::mutex> hold(mutex_);
         asked_.wait(hold, [this] { return stopping_ || !queue_.empty(); });
         if (stopping_)
            return;
         id = queue_.front();
         queue_.pop_front();
      }
      const std::string problem = make(id);
      std::lock_guard<std::mutex> hold(mutex_);
      if (!problem.empty() && !stopping_)
         serverLog.say("the clip of run " + id + ": " + problem);
   }
}

std::string ClipMaker::make(const std::string &id)
{
   try {
      // A run asked for again while its clip was made.
      const std::optional<Placed> run = store_.find(id);
      if (run && run->run.hasClip)
         return "";
      const std::optional<Bytes> replay = store_.replay(id);
      if (!replay)
         return "no such run";
      const ReplayReading reading = decodeReplay(replay->data(), replay->size());
      const ClipFolder folder;
      if (folder.path().empty())
         return std::string("cannot make a temporary folder: ") + strerror(errno);
      const std::string replayFile = folder.path() + "/run.rpl",
                        gifFile = folder.path() + "/clip.gif";
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
   } catch (const StoreError &error) {
      return error.what();
   }
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
