#include "app/clip.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <future>
#include <optional>
#include <system_error>
#include <thread>

#include "app/capture_notice.h"
#include "app/captures_folder.h"
#include "files/background_process.h"
#include "files/say.h"
#include "game/ticks.h"
#include "replay/replay_file.h"
#include "screens/marks.h"
#include "screens/replay_keeping.h"
#include "screens/watching.h"
#include "shell/screen_state.h"

int clipSeconds = kDefaultClipSeconds;
std::string clipProgram;

namespace {

// What the clip's process says on failure: its last line, from its
// stderr, of a bounded length.
const size_t kLongestReason = 4096;

std::future<CaptureOutcome> clipWritten;  // the clip being made, if any
std::future<void> clipStarted;  // ready once its process runs, or it failed before

// The seconds of a tick count, as --from takes them: "12.34".
std::string secondsOf(uint32_t ticks)
{
   return std::to_string(ticks / kTicksPerSecond) + "." +
          std::to_string(ticks % kTicksPerSecond / 10) + std::to_string(ticks % 10);
}

// A line of the game's as it was before say() escaped it (\\ and \xNN), to
// be said again.
std::string unescaped(const std::string &line)
{
   std::string text;
   for (size_t k = 0; k < line.size(); k++) {
      if (line[k] == '\\' && k + 1 < line.size() && line[k + 1] == '\\') {
         text += '\\';
         k++;
      } else if (line[k] == '\\' && k + 3 < line.size() && line[k + 1] == 'x' &&
                 isxdigit((unsigned char)line[k + 2]) && isxdigit((unsigned char)line[k + 3])) {
         text += char(std::stoi(line.substr(k + 2, 2), nullptr, 16));
         k += 3;
      } else {
         text += line[k];
      }
   }
   return text;
}

// Runs the program with these arguments at a lower priority, says when it
// has started through `started`, and waits for it. Returns an empty
// string, or its last line on stderr (or how it ended) when it failed.
std::string runClipProgram(const std::vector<std::string> &arguments, std::promise<void> *started)
{
   // The clip's process gives way to the game, and in a session of its
   // own it is finished whatever the game's end.
   int said[2];
   if (pipe2(said, O_CLOEXEC) != 0)
      return std::string("cannot start its process: ") + strerror(errno);
   const pid_t pid = start_background_process(arguments, said[1]);
   const int error = errno;
   started->set_value();
   close(said[1]);
   std::string text;
   char buffer[512];
   for (ssize_t n; (n = read(said[0], buffer, sizeof buffer)) != 0;) {
      if (n > 0)
         text.append(buffer, size_t(n));
      else if (errno != EINTR)
         break;
      if (text.size() > kLongestReason)
         text.erase(0, text.size() - kLongestReason);
   }
   close(said[0]);
   if (pid < 0)
      return std::string("cannot start its process: ") + strerror(error);
   const std::string ended = wait_for_process(pid, "its process");
   if (ended.empty())
      return ended;
   while (!text.empty() && text.back() == '\n')
      text.pop_back();
   text.erase(0, text.rfind('\n') + 1);
   if (text.compare(0, 9, "tossaro: ") == 0)
      text.erase(0, 9);
   return text.empty() ? ended : unescaped(text);
}

// What a clip's thread is given: it uses no global, so that it may still
// wait for its process while the game ends.
struct ClipJob {
   Replay replay;
   ClipPart part;
   std::string folder, program;
   bool marks;
};

// On the clip's thread: a name of its own, the replay in memory, the
// process that renders it. The process alone makes the file, so that one
// that fails, even once the game has gone, leaves nothing.
CaptureOutcome writeClip(const ClipJob &job, std::promise<void> *started)
{
   const CaptureFile file = chooseCaptureFile(capturesFolder(job.folder), time(nullptr), true);
   if (!file.problem.empty())
      return {"", file.problem};
   const std::vector<unsigned char> bytes = encodeReplay(job.replay);
   // A file in memory that the process opens by its number: nothing is
   // written to disk, and nothing is left behind.
   const int fd = memfd_create("tossaro-clip.rpl", 0);
   std::string problem;
   if (fd < 0 || write(fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
      problem = std::string("cannot hand the replay over: ") + strerror(errno);
   else
      problem = runClipProgram(clipCommand(job.program, "/proc/self/fd/" + std::to_string(fd),
                                           file.path, job.part, job.marks),
                               started);
   if (fd >= 0)
      close(fd);
   if (!problem.empty())
      return {"", problem};
   return {file.path, ""};
}

void tellClip(const CaptureOutcome &outcome)
{
   tellCapture(outcome, "clip");
}

}  // namespace

void startClip()
{
   if (clipWritten.valid()) {
      showCaptureNotice("A clip is being made already");
      return;
   }
   std::optional<Replay> game = screenState == Watching ? watchedSoFar() : gameSoFar();
   if (!game || game->ticks == 0) {
      showCaptureNotice("No game in play nor replay to make a clip of");
      return;
   }
   const ClipPart part = clipPart(game->ticks, clipSeconds);
   try {
      // Detached: a game that ends leaves its clip to the process, which
      // finishes it on its own.
      std::promise<CaptureOutcome> written;
      std::promise<void> started;
      std::future<CaptureOutcome> done = written.get_future();
      std::future<void> running = started.get_future();
      std::thread([written = std::move(written), started = std::move(started),
                   job = ClipJob{std::move(*game), part, chosenCapturesFolder, clipProgram,
                                 showMarks}]() mutable {
         written.set_value(writeClip(job, &started));
      }).detach();
      clipWritten = std::move(done);
      clipStarted = std::move(running);
      const uint32_t length = part.to - part.from;
      showCaptureNotice(
         "Making a clip of the last " +
         (length % kTicksPerSecond ? secondsOf(length) : std::to_string(length / kTicksPerSecond)) +
         " seconds");
   } catch (const std::system_error &error) {
      tellClip({"", std::string("no thread to make it: ") + error.what()});
   }
}

void tellClipWritten()
{
   if (clipWritten.valid() &&
       clipWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellClip(clipWritten.get());
}

void finishClip()
{
   // A clip begun is handed to its process at least (a moment's wait),
   // or has failed before.
   if (clipStarted.valid())
      clipStarted.wait();
   tellClipWritten();
   if (clipWritten.valid())
      say("a clip is still being made: its own process finishes it in the captures folder");
}

std::vector<std::string> clipCommand(const std::string &program, const std::string &replay,
                                     const std::string &gif, ClipPart part, bool marks)
{
   return {program, "--replay", replay,           "--gif",
           gif,     "--from",   secondsOf(part.from), marks ? "--marks=on" : "--marks=off"};
}

ClipPart clipPart(uint32_t ticks, int seconds)
{
   const uint32_t length = uint32_t(seconds) * kTicksPerSecond;
   return {ticks > length ? ticks - length : 0, ticks};
}
