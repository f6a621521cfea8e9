#include "gifcodec.h"

#include <allegro.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "composition.h"
#include "files/netpbm_file.h"
#include "files/replacement_file.h"
#include "gif/gif.h"
#include "indexed_file.h"
#include "picture.h"
#include "picture_gif.h"

namespace {

const char USAGE[] =
   "usage: gifcodec info FILE.gif\n"
   "       gifcodec decode FILE.gif OUT.pam|OUT.ppm [--frame N]\n"
   "       gifcodec encode IN OUT.gif    (IN: BMP, PCX, TGA, LBM, PAM, PPM or PGM)\n"
   "       gifcodec animate [--delay CS] [--loop N] [--dither] -o OUT.gif FRAME...\n"
   "       gifcodec optimize IN.gif OUT.gif\n";

int fail(FILE *err, const char *file, const std::string &reason)
{
   fprintf(err, "gifcodec: %s: %s\n", file, reason.c_str());
   return 1;
}

// Reads a GIF file, or prints the codec's reason it cannot.
GifSequencePtr read_or_explain(const char *file, FILE *err)
{
   std::string problem;
   GifSequencePtr sequence(open_gif_sequence(file, &problem));
   if (!sequence)
      fail(err, file, problem);
   return sequence;
}

int info(const char *file, FILE *out, FILE *err)
{
   const GifSequencePtr sequence = read_or_explain(file, err);
   if (!sequence)
      return 1;
   fprintf(out, "%s: screen %dx%d, background %d, global table %d, loop %d, frames %d\n", file,
           sequence->width, sequence->height, sequence->background_index,
           sequence->palette.count, sequence->loop_count, sequence->frame_count);
   for (int i = 0; i < sequence->frame_count; i++) {
      const GifFrame &f = sequence->frames[i];
      fprintf(out,
              "frame %d: at %d,%d size %dx%d, local table %d, delay %d, disposal %d, "
              "transparent %d, interlaced %s, data %d bytes\n",
              i, f.x, f.y, f.bitmap->w, f.bitmap->h, f.palette.count, f.delay, f.disposal,
              f.transparent_index, f.interlaced ? "yes" : "no", f.data_bytes);
   }
   return 0;
}

// A whole number from 0 to `largest`.
bool parse_number(const char *text, long largest, int *number)
{
   char *end;
   errno = 0;
   const long value = strtol(text, &end, 10);
   if (errno || end == text || *end || value < 0 || value > largest)
      return false;
   *number = int(value);
   return true;
}

int decode(const char *file, const char *output, int last, FILE *err)
{
   if (!NetpbmOutput::known(output))
      return fail(err, output, "the output name must end in .pam or .ppm");
   const GifSequencePtr sequence = read_or_explain(file, err);
   if (!sequence)
      return 1;
   std::string problem;
   if (sequence->frame_count == 0)
      problem = "the file holds no image";
   else if (sequence->width == 0 || sequence->height == 0)
      problem = "the logical screen is empty";
   else if (last >= sequence->frame_count)
      problem = "no frame " + std::to_string(last) + " (the file has " +
                std::to_string(sequence->frame_count) + ")";
   if (!problem.empty())
      return fail(err, file, problem);
   if (last < 0)
      last = sequence->frame_count - 1;

   Composition composition;
   problem = composition.compose(sequence.get(), last);
   if (!problem.empty())
      return fail(err, file, problem);
   NetpbmOutput out;
   problem = out.open(output, sequence->width, sequence->height);
   if (problem.empty()) {
      std::vector<unsigned char> row(size_t(sequence->width) * size_t(out.channels()));
      for (int y = 0; y < sequence->height; y++) {
         composition.row(y, out.channels(), row.data());
         out.write_row(row.data());
      }
      problem = out.finish();
   }
   return problem.empty() ? 0 : fail(err, output, problem);
}

int encode(const char *input, const char *output, FILE *err)
{
   IndexedPicture picture;
   const std::string problem = read_picture(input, &picture);
   if (!problem.empty())
      return fail(err, input, problem);
   if (picture.indices->w == 0 || picture.indices->h == 0)
      return fail(err, input, "the picture is empty");
   const std::string written = write_picture_gif(output, picture);
   return written.empty() ? 0 : fail(err, output, written);
}

// "frame N of M" on one line of the terminal, redrawn at most ten times a
// second, when `err` is a terminal; nothing otherwise.
class Progress {
public:
   Progress(FILE *err, size_t total) : err_(err), total_(total), shown_(isatty(fileno(err)) == 1) {}
   ~Progress()
   {
      if (shown_ && drawn_)
         fputs("\n", err_);
   }

   void frame_done(size_t done)
   {
      if (!shown_)
         return;
      timespec now;
      clock_gettime(CLOCK_MONOTONIC, &now);
      const long ms = long(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
      if (drawn_ && ms - last_ < 100 && done < total_)
         return;
      last_ = ms;
      drawn_ = true;
      fprintf(err_, "\rgifcodec: frame %zu of %zu", done, total_);
      fflush(err_);
   }

private:
   FILE *err_;
   size_t total_;
   bool shown_;
   bool drawn_ = false;
   long last_ = 0;
};

// Adds one picture file as the next frame; the first opens the animation
// with its size, which `settings` then keep.
std::string add_picture_frame(const char *file, const char *output, GifAnimationSettings &settings,
                              int delay, GifAnimationPtr *animation, std::string *failed)
{
   IndexedPicture indexed;
   Picture truecolour;
   std::string problem = read_picture_as_is(file, &indexed, &truecolour);
   *failed = file;
   if (!problem.empty())
      return problem;
   const int w = truecolour.w ? truecolour.w : indexed.indices->w;
   const int h = truecolour.w ? truecolour.h : indexed.indices->h;
   if (*animation && (w != settings.width || h != settings.height))
      return "a frame of " + std::to_string(w) + "x" + std::to_string(h) + " on a screen of " +
             std::to_string(settings.width) + "x" + std::to_string(settings.height);
   if (!*animation) {
      settings.width = w;
      settings.height = h;
      animation->reset(open_gif_animation(output, settings, &problem));
      if (!*animation) {
         *failed = output;
         return problem;
      }
   }
   int result;
   if (truecolour.w) {
      result = add_gif_rgba_frame(animation->get(), truecolour.pixels.data(), delay, &problem);
   } else {
      ColorTable table = {};
      table.count = int(indexed.colors.size());
      for (size_t k = 0; k < indexed.colors.size(); k++) {
         const uint32_t c = indexed.colors[k];
         table.colors[k] = {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 0};
      }
      result = add_gif_indexed_frame(animation->get(), indexed.indices.get(), &table,
                                     indexed.transparent, delay, &problem);
   }
   if (result != 0)
      *failed = output;
   return problem;
}

int animate(int argc, char **argv, FILE *err)
{
   GifAnimationSettings settings;
   int delay = 10;
   const char *output = nullptr;
   std::vector<const char *> frames;
   for (int k = 2; k < argc; k++) {
      const std::string arg = argv[k];
      const bool valued = arg == "--delay" || arg == "--loop" || arg == "-o";
      if (valued && k + 1 == argc) {
         fprintf(err, "gifcodec: %s needs a value\n", arg.c_str());
         return 1;
      }
      if ((arg == "--delay" && !parse_number(argv[++k], 0xFFFF, &delay)) ||
          (arg == "--loop" && !parse_number(argv[++k], 0xFFFF, &settings.loop_count))) {
         fprintf(err, "gifcodec: %s takes a number from 0 to 65535\n", arg.c_str());
         return 1;
      }
      if (arg == "-o")
         output = argv[++k];
      else if (arg == "--dither")
         settings.dither = true;
      else if (!valued && arg.size() > 1 && arg[0] == '-')
         return fail(err, argv[k], "not an option of animate");
      else if (!valued)
         frames.push_back(argv[k]);
   }
   if (!output || frames.empty()) {
      fputs(USAGE, err);
      return 1;
   }

   GifAnimationPtr animation;
   Progress progress(err, frames.size());
   for (size_t i = 0; i < frames.size(); i++) {
      std::string failed;
      const std::string problem =
         add_picture_frame(frames[i], output, settings, delay, &animation, &failed);
      if (!problem.empty())
         return fail(err, failed.c_str(), problem);
      progress.frame_done(i + 1);
   }
   std::string problem;
   if (close_gif_animation(animation.release(), &problem) != 0)
      return fail(err, output, problem);
   return 0;
}

int optimize(const char *input, const char *output, FILE *out, FILE *err)
{
   FILE *in = fopen(input, "rb");
   if (!in)
      return fail(err, input, strerror(errno));
   const std::vector<unsigned char> original = whole_file(in);
   fclose(in);
   const GifSequencePtr sequence = read_or_explain(input, err);
   if (!sequence)
      return 1;
   if (sequence->frame_count == 0)
      return fail(err, input, "the file holds no image");
   if (sequence->width == 0 || sequence->height == 0)
      return fail(err, input, "the logical screen is empty");

   Composition composition;
   std::string problem = composition.begin(sequence.get());
   if (!problem.empty())
      return fail(err, input, problem);
   GifAnimationSettings settings;
   settings.width = sequence->width;
   settings.height = sequence->height;
   settings.loop_count = sequence->loop_block ? sequence->loop_count : -1;
   GifAnimationPtr animation(open_gif_animation(output, settings, &problem));
   if (!animation)
      return fail(err, output, problem);

   const int w = sequence->width;
   std::vector<uint32_t> pixels(size_t(w) * sequence->height);
   std::vector<unsigned char> row(size_t(w) * 4);
   Progress progress(err, size_t(sequence->frame_count));
   for (int i = 0; i < sequence->frame_count; i++) {
      composition.draw(i);
      for (int y = 0; y < sequence->height; y++) {
         composition.row(y, 4, row.data());
         for (int x = 0; x < w; x++) {
            const unsigned char *s = &row[size_t(x) * 4];
            pixels[size_t(y) * w + x] =
               uint32_t(s[3]) << 24 | uint32_t(s[0]) << 16 | uint32_t(s[1]) << 8 | s[2];
         }
      }
      if (add_gif_rgba_frame(animation.get(), pixels.data(), sequence->frames[i].delay,
                             &problem) != 0)
         return fail(err, output, problem);
      progress.frame_done(size_t(i) + 1);
   }
   GifAnimationReport report;
   if (close_gif_animation(animation.release(), &problem, &report) != 0)
      return fail(err, output, problem);

   const long before = long(original.size());
   if (report.frames_reduced == 0 && report.bytes <= before) {
      fprintf(out, "%s: %d frames, %ld bytes; %s: %ld frames, %ld bytes (%.1f%%)\n", input,
              sequence->frame_count, before, output, report.frames_written, report.bytes,
              100.0 * double(report.bytes) / double(before));
      return 0;
   }
   problem = replace_file(output, original);
   if (!problem.empty()) {
      fprintf(err, "gifcodec: %s\n", problem.c_str());
      return 1;
   }
   fprintf(out, "%s: kept the input's %ld bytes as they were: %s\n", output, before,
           report.frames_reduced ? "some frames hold more colours than one table"
                                 : ("written again it takes " + std::to_string(report.bytes) +
                                    " bytes").c_str());
   return 0;
}

}  // namespace

int gifcodec_main(int argc, char **argv, FILE *out, FILE *err)
{
   const std::string command = argc > 1 ? argv[1] : "";
   if (command == "info" && argc == 3)
      return info(argv[2], out, err);
   if (command == "decode" && (argc == 4 || argc == 6)) {
      int frame = -1;
      if (argc == 6 &&
          (strcmp(argv[4], "--frame") != 0 || !parse_number(argv[5], 0x7fffffff, &frame))) {
         fprintf(err, "gifcodec: --frame takes a frame number from 0\n");
         return 1;
      }
      return decode(argv[2], argv[3], frame, err);
   }
   if (command == "encode" && argc == 4)
      return encode(argv[2], argv[3], err);
   if (command == "animate")
      return animate(argc, argv, err);
   if (command == "optimize" && argc == 4)
      return optimize(argv[2], argv[3], out, err);
   fputs(USAGE, err);
   return 1;
}
