#include "app/replay_export.h"

#include <allegro.h>
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/data_folder.h"
#include "files/netpbm_file.h"
#include "files/paths.h"
#include "files/say.h"
#include "game/ticks.h"
#include "gif/gif.h"
#include "replay/playback.h"
#include "screens/marks.h"
#include "screens/playfield_drawing.h"
#include "shell/assets.h"

namespace {

// The progress line is redrawn every so many frames.
const uint32_t kProgressEvery = 25;

// Where the frames go: an animation or a folder of pictures.
class FrameSink {
public:
   virtual ~FrameSink() = default;
   // Adds the picture, shown for `delay` hundredths. Returns an empty
   // string, or why it could not.
   virtual std::string add(BITMAP *picture, int delay) = 0;
   virtual std::string finish() = 0;
};

class GifSink : public FrameSink {
public:
   explicit GifSink(const std::string &path) : path_(path) {}
   ~GifSink() override { abandon_gif_animation(animation_); }

   std::string open()
   {
      GifAnimationSettings settings;
      settings.width = backBuffer->w;
      settings.height = backBuffer->h;
      std::string problem;
      animation_ = open_gif_animation(path_.c_str(), settings, &problem);
      return animation_ ? problem : path_ + ": " + problem;
   }
   std::string add(BITMAP *picture, int delay) override
   {
      std::string problem;
      if (add_gif_bitmap_frame(animation_, picture, -1, delay, &problem) != 0)
         return path_ + ": " + problem;
      return problem;
   }
   std::string finish() override
   {
      std::string problem;
      GifAnimation *animation = animation_;
      animation_ = nullptr;
      if (close_gif_animation(animation, &problem) != 0)
         return path_ + ": " + problem;
      return problem;
   }

private:
   std::string path_;
   GifAnimation *animation_ = nullptr;
};

// The name of the k-th frame in a folder of frames: 000001.ppm, ...
std::string frameName(uint32_t k)
{
   char name[24];
   snprintf(name, sizeof name, "%06u.ppm", k);
   return name;
}

// The frame a file of a folder of frames would be: its k, or 0 for none.
uint32_t frameOf(const std::string &name)
{
   const size_t digits = name.size() - 4;
   if (name.size() < 10 || name.compare(digits, 4, ".ppm") != 0 ||
       name.find_first_not_of("0123456789") != digits || digits > 9)
      return 0;
   const uint32_t k = uint32_t(std::stoul(name.substr(0, digits)));
   return k > 0 && frameName(k) == name ? k : 0;
}

// Binary PPM files 000001.ppm, 000002.ppm, ... in a folder; the delays
// are left to the frame rate the editor is given. Each frame is a new
// file; an export that fails takes back those it wrote, so that the
// folder never shows a video that was not made.
class FramesSink : public FrameSink {
public:
   explicit FramesSink(const std::string &folder) : folder_(folder) {}
   ~FramesSink() override
   {
      if (!finished_) {
         for (uint32_t k = 1; k <= count_; k++)
            unlink((folder_ + "/" + frameName(k)).c_str());
      }
   }

   // The folder, made when missing; one that already holds frames (of
   // another export, say) is refused before anything is written.
   std::string open()
   {
      std::string problem = make_folder_of(folder_ + "/" + frameName(1));
      if (!problem.empty())
         return problem;
      DIR *folder = opendir(folder_.c_str());
      if (!folder)
         return folder_ + ": cannot read the folder: " + strerror(errno);
      uint32_t first = 0;
      while (const dirent *entry = readdir(folder)) {
         const uint32_t k = frameOf(entry->d_name);
         if (k && (!first || k < first))
            first = k;
      }
      closedir(folder);
      if (first)
         return folder_ + " already holds " + frameName(first) + ": choose an empty folder";
      return problem;
   }
   std::string add(BITMAP *picture, int) override
   {
      const std::string path = folder_ + "/" + frameName(count_ + 1);
      NetpbmOutput out;
      std::string problem = out.create(path.c_str(), picture->w, picture->h);
      if (!problem.empty())
         return path + ": cannot make it: " + problem;
      std::vector<unsigned char> row(size_t(picture->w) * 3);
      for (int y = 0; y < picture->h; y++) {
         unsigned char *rgb = row.data();
         for (int x = 0; x < picture->w; x++) {
            const int c = getpixel(picture, x, y);
            *rgb++ = (unsigned char)getr(c);
            *rgb++ = (unsigned char)getg(c);
            *rgb++ = (unsigned char)getb(c);
         }
         out.write_row(row.data());
      }
      problem = out.finish();
      if (!problem.empty())
         return path + ": cannot write it: " + problem;
      count_++;
      return problem;
   }
   std::string finish() override
   {
      finished_ = true;
      return std::string();
   }

private:
   std::string folder_;
   uint32_t count_ = 0;  // frames written
   bool finished_ = false;
};

void showProgress(FILE *err, uint32_t done, uint32_t total)
{
   fprintf(err, "\rtossaro: frame %u of %u", done, total);
   if (done == total)
      fputc('\n', err);
   fflush(err);
}

// What the part and the frames it gives look like, before anything is
// drawn: an empty string, or why there is nothing to export.
std::string unexportable(const Options &o, const Replay &replay, uint32_t to)
{
   const std::string file = o.replayFile;
   if (to > replay.ticks)
      return file + ": --to " + playingTime(to) + " is past its end, at " +
             playingTime(replay.ticks);
   if (uint32_t(o.fromTick) >= to)
      return file + ": --from " + playingTime(uint32_t(o.fromTick)) + " is not before " +
             (o.toTick < 0 ? "its end, at " : "--to ") + playingTime(to);
   if (ExportFrames{uint32_t(o.fromTick), to, o.exportFps}.count() == 0)
      return file + ": from " + playingTime(uint32_t(o.fromTick)) + " to " + playingTime(to) +
             " is too short for a frame at " + std::to_string(o.exportFps) + " a second";
   return std::string();
}

int failed(FILE *err, const std::string &why)
{
   say(why, err);
   return 1;
}

}  // namespace

uint32_t ExportFrames::count() const
{
   // The last k whose tick, from + k * 100 / fps rounded down, is not past
   // `to`: k * 100 < (to - from + 1) * fps.
   return to < from ? 0 : uint32_t((uint64_t(to - from + 1) * uint64_t(fps) - 1) / kTicksPerSecond);
}

uint32_t ExportFrames::tick(uint32_t k) const
{
   return from + uint32_t(uint64_t(k) * kTicksPerSecond / uint64_t(fps));
}

int ExportFrames::shown(uint32_t k) const
{
   if (k < count())
      return int(tick(k + 1) - tick(k));
   return int(tick(k) - (k > 1 ? tick(k - 1) : from));
}

int exportReplay(const Options &o, FILE *err)
{
   std::string problem;
   ReplayReading reading = readReplayFile(o.replayFile, &problem);
   if (!problem.empty())
      return failed(err, problem);
   const uint32_t to = o.toTick < 0 ? reading.replay.ticks : uint32_t(o.toTick);
   problem = unexportable(o, reading.replay, to);
   if (!problem.empty())
      return failed(err, problem);
   const DataFolder data = findDataFolder(runningProgram());
   if (!data.problem.empty())
      return failed(err, data.problem);
   // The library without a system driver: no display, no keyboard, no
   // timer; the game's colours at the window's depth.
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return failed(err, "cannot initialise Allegro");
   set_color_depth(16);
   problem = loadAssets(data.prefix);
   if (!problem.empty())
      return failed(err, problem);
   showMarks = o.marks;

   std::unique_ptr<FrameSink> sink;
   if (!o.gifFile.empty()) {
      auto gif = std::make_unique<GifSink>(o.gifFile);
      problem = gif->open();
      sink = std::move(gif);
   } else {
      auto frames = std::make_unique<FramesSink>(o.framesFolder);
      problem = frames->open();
      sink = std::move(frames);
   }
   const ExportFrames part{uint32_t(o.fromTick), to, o.exportFps};
   const uint32_t total = part.count();
   const bool terminal = isatty(fileno(err)) != 0;
   Playback playback(std::move(reading.replay));
   for (uint32_t k = 1; k <= total && problem.empty(); k++) {
      playback.seek(part.tick(k));
      if (!playback.divergence().empty()) {
         problem = o.replayFile + ": " + playback.divergence();
         break;
      }
      drawPlayfield(playback.game());
      problem = sink->add(backBuffer, part.shown(k));
      clear_bitmap(backBuffer);
      if (terminal && (k % kProgressEvery == 0 || k == total))
         showProgress(err, k, total);
   }
   if (problem.empty())
      problem = sink->finish();
   sink.reset();
   freeAssets();
   if (!problem.empty())
      return failed(err, problem);
   return 0;
}
