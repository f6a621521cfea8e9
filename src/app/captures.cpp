#include "app/captures.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <future>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "app/captures_folder.h"
#include "files/replacement_file.h"
#include "files/say.h"
#include "gif/gif.h"
#include "screens/marks.h"
#include "screens/replay_keeping.h"
#include "screens/watching.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"
#include "shell/picture.h"
#include "shell/screen_state.h"

std::string chosenCapturesFolder;
int clipSeconds = 10;
std::string clipProgram;

namespace {

const int kNoticeTicks = 200;  // two seconds
// The notice's lines, in characters of the 8-pixel font; its margin at the
// sides, and its top, below the gauges, the frame rate and the score.
const int kNoticeColumns = 76, kNoticeMargin = 12, kNoticeTop = 44;

struct Written {
   std::string path;  // the file, when it was written
   std::string problem;  // else why not
};

const int kTicksPerSecond = 100;
// The clip's process gives way to the game: it runs when a core would
// otherwise be idle, and at the lowest priority where that policy is not
// to be had.
const int kClipNiceness = 19;
// What the clip's process says on failure: its last line, from its
// stderr, of a bounded length.
const size_t kLongestReason = 4096;

bool pictureKeyHeld = false;  // at the last tick, so that a press counts once
bool pictureAsked = false;  // pressed since the last picture was taken
std::future<Written> stillWritten;  // the picture being written, if any
bool clipKeyHeld = false;
std::future<Written> clipWritten;  // the clip being made, if any
std::future<void> clipStarted;  // ready once its process runs, or it failed before
std::string notice;
int noticeTicks = 0;  // ticks the notice still shows

void showNotice(const std::string &text)
{
   notice = text;
   noticeTicks = kNoticeTicks;
}

// On the writing thread: the folder, a name of its own, the file.
Written writeStill(BitmapPtr picture)
{
   const CaptureFile file =
      chooseCaptureFile(capturesFolder(chosenCapturesFolder), time(nullptr), false);
   if (!file.problem.empty())
      return {"", file.problem};
   const std::string problem = saveStill(file.path, picture.get());
   if (!problem.empty())
      return {"", file.path + ": " + problem};
   return {file.path, ""};
}

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
std::string runClipProgram(const std::vector<std::string> &arguments,
                           std::promise<void> *started)
{
   std::vector<char *> argv;
   for (const std::string &a : arguments)
      argv.push_back(const_cast<char *>(a.c_str()));
   argv.push_back(nullptr);
   int said[2];
   const int nothing = open("/dev/null", O_RDWR | O_CLOEXEC);
   if (nothing < 0 || pipe2(said, O_CLOEXEC) != 0) {
      if (nothing >= 0)
         close(nothing);
      return std::string("cannot start its process: ") + strerror(errno);
   }
   const pid_t pid = fork();
   if (pid == 0) {
      // Only system calls until exec: the parent has other threads. A
      // session of its own: Ctrl+C and the terminal's hang-up, meant for
      // the game, never reach the clip, which is finished whatever the
      // game's end.
      setsid();
      dup2(nothing, 0);
      dup2(nothing, 1);
      dup2(said[1], 2);
      setpriority(PRIO_PROCESS, 0, kClipNiceness);
      const struct sched_param idle = {};
      sched_setscheduler(0, SCHED_IDLE, &idle);
      execv(argv[0], argv.data());
      _exit(127);
   }
   const int error = errno;
   started->set_value();
   close(nothing);
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
   int status = 0;
   while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
   }
   if (WIFEXITED(status) && WEXITSTATUS(status) == 0)
      return std::string();
   while (!text.empty() && text.back() == '\n')
      text.pop_back();
   text.erase(0, text.rfind('\n') + 1);
   if (text.compare(0, 9, "tossaro: ") == 0)
      text.erase(0, 9);
   if (!text.empty())
      return unescaped(text);
   return WIFEXITED(status) ? "its process ended with status " + std::to_string(WEXITSTATUS(status))
                            : "its process ended on signal " + std::to_string(WTERMSIG(status));
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
Written writeClip(const ClipJob &job, std::promise<void> *started)
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

void tellWritten(const Written &written, const char *what)
{
   if (!written.problem.empty()) {
      say(std::string("the ") + what + " is not saved: " + written.problem);
      std::string capital = what;
      capital[0] = char(toupper(capital[0]));
      showNotice(capital + " not saved: " + written.problem);
      return;
   }
   showNotice("Saved " + name_of(written.path));
}

void tellPicture(const Written &written)
{
   tellWritten(written, "picture");
}

void tellClip(const Written &written)
{
   tellWritten(written, "clip");
}

void startClip()
{
   if (clipWritten.valid()) {
      showNotice("A clip is being made already");
      return;
   }
   std::optional<Replay> game = screenState == Watching ? watchedSoFar() : gameSoFar();
   if (!game || game->ticks == 0) {
      showNotice("No game in play nor replay to make a clip of");
      return;
   }
   const ClipPart part = clipPart(game->ticks, clipSeconds);
   try {
      // Detached: a game that ends leaves its clip to the process, which
      // finishes it on its own.
      std::promise<Written> written;
      std::promise<void> started;
      std::future<Written> done = written.get_future();
      std::future<void> running = started.get_future();
      std::thread([written = std::move(written), started = std::move(started),
                   job = ClipJob{std::move(*game), part, chosenCapturesFolder, clipProgram,
                                 showMarks}]() mutable {
         written.set_value(writeClip(job, &started));
      }).detach();
      clipWritten = std::move(done);
      clipStarted = std::move(running);
      const uint32_t length = part.to - part.from;
      showNotice("Making a clip of the last " +
                 (length % kTicksPerSecond ? secondsOf(length)
                                           : std::to_string(length / kTicksPerSecond)) +
                 " seconds");
   } catch (const std::system_error &error) {
      tellClip({"", std::string("no thread to make it: ") + error.what()});
   }
}

void takePicture(BITMAP *picture)
{
   BitmapPtr copy(create_bitmap_ex(bitmap_color_depth(picture), picture->w, picture->h));
   if (!copy) {
      tellPicture({"", "no memory for a copy of the picture"});
      return;
   }
   blit(picture, copy.get(), 0, 0, 0, 0, picture->w, picture->h);
   try {
      stillWritten = std::async(std::launch::async, writeStill, std::move(copy));
   } catch (const std::system_error &error) {
      tellPicture({"", std::string("no thread to write it: ") + error.what()});
   }
}

// The notice in lines that fit the picture, broken at blanks where it can.
std::vector<std::string> noticeLines()
{
   std::vector<std::string> lines;
   std::string rest = notice;
   while (rest.size() > size_t(kNoticeColumns)) {
      size_t cut = rest.rfind(' ', kNoticeColumns);
      cut = cut == std::string::npos || cut == 0 ? kNoticeColumns : cut;
      lines.push_back(rest.substr(0, cut));
      rest.erase(0, rest[cut] == ' ' ? cut + 1 : cut);
   }
   lines.push_back(rest);
   return lines;
}

void drawNotice(BITMAP *picture)
{
   const std::vector<std::string> lines = noticeLines();
   const int h = int(lines.size()) * 10 + 8;
   const int top = kNoticeTop;
   rectfill(picture, kNoticeMargin, top, kGameWidth - 1 - kNoticeMargin, top + h - 1,
            makecol(kPanelInk));
   rect(picture, kNoticeMargin, top, kGameWidth - 1 - kNoticeMargin, top + h - 1,
        makecol(kPanelFace));
   for (size_t i = 0; i < lines.size(); i++)
      textout_centre_ex(picture, font, lines[i].c_str(), kGameWidth / 2, top + 5 + int(i) * 10,
                        makecol(255, 255, 255), -1);
}

}  // namespace

void readCaptureKeys()
{
   // The capture keys, as any key, only end the menu's demo.
   const bool demo = demoShown();
   const bool held = keys->held(keyFor(SavePicture));
   pictureAsked = pictureAsked || (held && !pictureKeyHeld && !demo);
   pictureKeyHeld = held;
   const bool clipHeld = keys->held(keyFor(SaveClip));
   if (clipHeld && !clipKeyHeld && !demo)
      startClip();
   clipKeyHeld = clipHeld;
   if (noticeTicks > 0 && --noticeTicks == 0)
      notice.clear();
}

void captureFrame(BITMAP *picture)
{
   if (stillWritten.valid() &&
       stillWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellPicture(stillWritten.get());
   if (clipWritten.valid() &&
       clipWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellClip(clipWritten.get());
   // A press while a picture is still being written takes the frame after.
   if (pictureAsked && !stillWritten.valid()) {
      pictureAsked = false;
      takePicture(picture);
   }
   if (!notice.empty())
      drawNotice(picture);
}

void finishCaptures()
{
   if (stillWritten.valid())
      tellPicture(stillWritten.get());
   // A clip begun is handed to its process at least (a moment's wait),
   // or has failed before.
   if (clipStarted.valid())
      clipStarted.wait();
   if (clipWritten.valid() &&
       clipWritten.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      tellClip(clipWritten.get());
   else if (clipWritten.valid())
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

std::string saveStill(const std::string &path, BITMAP *picture)
{
   GifAnimationSettings settings;
   settings.width = picture->w;
   settings.height = picture->h;
   settings.loop_count = -1;
   std::string problem;
   GifAnimation *still = open_gif_animation(path.c_str(), settings, &problem);
   if (!still)
      return problem;
   if (add_gif_bitmap_frame(still, picture, -1, 0, &problem) != 0) {
      abandon_gif_animation(still);
      return problem;
   }
   close_gif_animation(still, &problem);
   return problem;
}

const std::string &captureNotice()
{
   return notice;
}
