// Pieces shared by the oracle tests: GIF files written through giflib,
// giflib's decoding composed by a small reference compositor, the
// comparison of our codec against it, and the external programs.
#ifndef TOSSARO_TESTS_GIF_ORACLE_ORACLE_H
#define TOSSARO_TESTS_GIF_ORACLE_ORACLE_H

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "support/shell_command.h"

struct BITMAP;
struct ColorMapObject;
struct ColorTable;
struct GifFileType;

namespace oracle {

// The shell's commands, as the oracle tests name them.
using ::quoted;
using ::run;

// A composed logical screen: 0xRRGGBB per pixel, or MASK where nothing
// has been drawn (or a disposal cleared it).
const int MASK = -1;

struct Picture {
   int width = 0, height = 0;
   std::vector<int> pixels;

   int at(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

// ---------------------------------------------------------------------------
// Writing files with giflib's encoder.

struct FramePlan {
   int x = 0, y = 0, width = 1, height = 1;
   std::vector<uint32_t> local;  // 0xRRGGBB; empty for no local table
   bool interlaced = false;
   bool control = false;  // whether a Graphic Control Extension precedes it
   int disposal = 0, delay = 0, transparent = -1;
   std::vector<unsigned char> pixels;  // display order, width * height
};

struct GifPlan {
   GifPlan() = default;
   GifPlan(int width, int height, std::vector<uint32_t> global = {}, int loop = -1)
      : width(width), height(height), global(std::move(global)), loop(loop)
   {
   }

   int width = 1, height = 1;
   std::vector<uint32_t> global;  // empty for no global table
   int background = 0;
   int loop = -1;  // -1 writes no loop block
   std::vector<FramePlan> frames;
};

// Writes `plan` with giflib's low-level encoder and returns `path`; table
// sizes must be powers of two from 2 to 256. Throws std::runtime_error on
// failure.
std::string write_with_giflib(const std::string &path, const GifPlan &plan);

// A table of `count` distinct colours (count a power of two), none of them
// the mask colour, so that a wrong index shows as a wrong colour.
std::vector<uint32_t> random_table(std::mt19937 &rng, int count);

// Pixel patterns that stress different parts of an LZW decoder: noise
// fills the dictionary and forces resets, runs build long strings and
// repeat the code just added, stripes repeat whole rows.
enum class Pattern { noise, runs, stripes, mixed };
std::vector<unsigned char> make_pixels(std::mt19937 &rng, Pattern pattern, int width,
                                       int height, int colours);

// A frame at (x, y) of `colours` values in `pattern`, with no table and no
// control block.
FramePlan frame_at(std::mt19937 &rng, int x, int y, int width, int height, int colours,
                   Pattern pattern = Pattern::mixed);

// `frame` with a control block. The delay is not 0 by default, so that a
// reader that drops it is seen.
FramePlan with_control(FramePlan frame, int disposal, int transparent, int delay = 3);

// One image covering the whole screen, of `colours` values, with a global
// table of `table` entries.
GifPlan still(std::mt19937 &rng, int width, int height, int table, int colours, Pattern pattern);

// The minimum code size of every image of a file, read from its bytes.
std::vector<int> min_code_sizes(const std::string &path);

// ---------------------------------------------------------------------------
// The oracle and the comparison.

// Differences gathered into one failure, the first few spelled out, so
// that a broken decoder does not flood the output.
class Problems {
public:
   void add(const std::string &what)
   {
      if (count_++ < 16)
         text_ << "  " << what << "\n";
   }
   ::testing::AssertionResult result(const std::string &path) const
   {
      if (!count_)
         return ::testing::AssertionSuccess();
      return ::testing::AssertionFailure() << path << ": " << count_ << " problem(s)\n"
                                           << text_.str();
   }

private:
   int count_ = 0;
   std::ostringstream text_;
};

// A file read whole by giflib (DGifSlurp); `gif` is null, and `error`
// says why, when giflib cannot read it.
struct GiflibFile {
   explicit GiflibFile(const std::string &path);
   ~GiflibFile();
   GiflibFile(const GiflibFile &) = delete;
   GiflibFile &operator=(const GiflibFile &) = delete;

   GifFileType *gif = nullptr;
   std::string error;
};

// A colour, MASK or 0xRRGGBB, for messages.
std::string describe(int colour);

// A 32-bit bitmap as MASK or 0xRRGGBB per pixel.
Picture picture_of(BITMAP *bitmap);

// The entries of a giflib colour map (none for null) and of one of our
// tables, as 0xRRGGBB.
std::vector<uint32_t> giflib_entries(const ColorMapObject *map);
std::vector<uint32_t> table_entries(const ColorTable &table);

// Adds a problem where a table's entries `got` differ from `want`, which
// the message says come from `source` ("written", "giflib reads").
void compare_entries(const std::vector<uint32_t> &want, const std::vector<uint32_t> &got,
                     const std::string &what, Problems *problems,
                     const std::string &source = "written");

// The indices of an 8-bit frame bitmap, row by row.
std::vector<int> frame_indices(BITMAP *bitmap);

// Where two index lists of rows of `width` differ first, and how often;
// empty when equal.
std::string index_difference(const std::vector<int> &want, const std::vector<int> &got, int width);

// giflib's decoding of `path` composed after each frame. Fails the
// calling test (and returns nothing) when giflib cannot read the file.
std::vector<Picture> reference_frames(const std::string &path);

// Checks our codec on `path` against giflib: the screen and frame records,
// each frame's indices, draw_gif_frame after every frame, load_gif_bitmap
// and the palette it fills.
::testing::AssertionResult codec_matches_giflib(const std::string &path);

// Draws every frame, then every frame again as a looping animation does,
// and checks the second pass against the oracle.
::testing::AssertionResult codec_matches_when_looping(const std::string &path);

// Draws every frame with the screen at (x, y) of a `width` x `height`
// bitmap that starts filled with another colour, and checks that the part
// of the screen that lies on the bitmap matches the oracle and that the
// rest of the bitmap is untouched.
::testing::AssertionResult codec_matches_at_offset(const std::string &path, int x, int y,
                                                   int width, int height);

// Compares a picture with one decoded independently (both as MASK or
// 0xRRGGBB); `what` names the comparison in the message.
::testing::AssertionResult same_picture(const Picture &expected, const Picture &got,
                                        const std::string &what);

// ---------------------------------------------------------------------------
// External programs.

// Runs a program and fails with its output when the status is not 0.
::testing::AssertionResult run_ok(const std::string &command);

// Runs gifsicle with `arguments`, writing `out`; its warnings are left
// out of the output, which a failure shows.
::testing::AssertionResult gifsicle(const std::string &arguments, const std::string &out);

// Runs ImageMagick's convert with `arguments`, on one thread so as not
// to crowd the other tests.
::testing::AssertionResult magick(const std::string &arguments);

// A 32-bit PAM (or 8-bit-per-sample P6/P7 file) read back: `channels`
// samples per pixel.
struct Pam {
   int width = 0, height = 0, channels = 0, maxval = 0;
   std::string tupltype;
   std::vector<unsigned char> samples;
};
bool read_pam(const std::string &path, Pam *pam, std::string *error);

// ImageMagick's own decoding of frame 0 of an opaque still.
::testing::AssertionResult imagemagick_decoding(const std::string &gif, const std::string &out,
                                                Picture *picture);

// For an opaque still, whose decoding ImageMagick and giflib must agree
// on: our composition against ImageMagick's, and giflib's against it too
// (so that a fault of either oracle shows). `out` is a scratch file.
::testing::AssertionResult codec_matches_imagemagick(const std::string &gif,
                                                     const std::string &out);

// Writes a binary PPM for ImageMagick and gifsicle to start from.
void write_ppm(const std::string &path, int width, int height,
               const std::vector<uint32_t> &rgb);

// Full paths of the programs, from the build.
extern const char *const GIFSICLE;
extern const char *const GIFBUILD;
extern const char *const GIFCODEC;

}  // namespace oracle

#endif
