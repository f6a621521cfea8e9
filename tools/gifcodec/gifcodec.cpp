#include "gifcodec.h"

#include <allegro.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "composition.h"
#include "gif/gif.h"
#include "netpbm_output.h"
#include "picture.h"
#include "picture_gif.h"

namespace {

const char USAGE[] =
   "usage: gifcodec info FILE.gif\n"
   "       gifcodec decode FILE.gif OUT.pam|OUT.ppm [--frame N]\n"
   "       gifcodec encode IN OUT.gif    (IN: BMP, PCX, TGA, LBM, PAM, PPM or PGM)\n";

int fail(FILE *err, const char *file, const std::string &reason)
{
   fprintf(err, "gifcodec: %s: %s\n", file, reason.c_str());
   return 1;
}

// Reads a GIF file, or prints the codec's reason it cannot.
GifSequencePtr read_or_explain(const char *file, FILE *err)
{
   GifSequencePtr sequence(open_gif_sequence(file));
   if (!sequence)
      fail(err, file, gif_last_error_message());
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
              "transparent %d, interlaced %s\n",
              i, f.x, f.y, f.bitmap->w, f.bitmap->h, f.palette.count, f.delay, f.disposal,
              f.transparent_index, f.interlaced ? "yes" : "no");
   }
   return 0;
}

bool parse_frame(const char *text, int *frame)
{
   char *end;
   errno = 0;
   const long value = strtol(text, &end, 10);
   if (errno || end == text || *end || value < 0 || value > 0x7fffffff)
      return false;
   *frame = int(value);
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

}  // namespace

int gifcodec_main(int argc, char **argv, FILE *out, FILE *err)
{
   const std::string command = argc > 1 ? argv[1] : "";
   if (command == "info" && argc == 3)
      return info(argv[2], out, err);
   if (command == "decode" && (argc == 4 || argc == 6)) {
      int frame = -1;
      if (argc == 6 && (strcmp(argv[4], "--frame") != 0 || !parse_frame(argv[5], &frame))) {
         fprintf(err, "gifcodec: --frame takes a frame number from 0\n");
         return 1;
      }
      return decode(argv[2], argv[3], frame, err);
   }
   if (command == "encode" && argc == 4)
      return encode(argv[2], argv[3], err);
   fputs(USAGE, err);
   return 1;
}
