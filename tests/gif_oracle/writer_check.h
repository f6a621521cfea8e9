// Checks of files our writer makes, read back by independent readers:
// giflib (records, tables, extensions, indices, composition), ImageMagick
// (every frame's pixels), gifsicle (no read errors or warnings), and a
// strict walk of the bytes and LZW codes that lenient readers skip.
#ifndef TOSSARO_TESTS_GIF_ORACLE_WRITER_CHECK_H
#define TOSSARO_TESTS_GIF_ORACLE_WRITER_CHECK_H

#include <allegro.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "gif/gif.h"
#include "support/scratch.h"

namespace writer_check {

// A GifSequence built by a test; owns its frames' bitmaps and whatever
// saved area draw_gif_frame leaves in it.
class Sequence {
public:
   Sequence(int width, int height, const std::vector<uint32_t> &global = {}, int loop = -1,
            int background = 0);
   ~Sequence();
   Sequence(const Sequence &) = delete;
   Sequence &operator=(const Sequence &) = delete;

   // Adds a frame of `pixels` (row by row, width * height) at (x, y) with
   // a local table of `local` (count = its size; none when empty), no
   // transparency, disposal 0 and delay 0.
   GifFrame &add(int x, int y, int width, int height, const std::vector<unsigned char> &pixels,
                 const std::vector<uint32_t> &local = {});
   GifSequence *get();

private:
   GifSequence record_;
   std::vector<GifFrame> frames_;
};

// One frame of `pixels` covering the screen, with a random table of
// `values` colours: local when `local`, else global.
std::unique_ptr<Sequence> still(std::mt19937 &rng, int width, int height, int values,
                                const std::vector<unsigned char> &pixels, bool local);

// Patterns beyond oracle::make_pixels: one value everywhere, and runs of
// up to `longest` pixels that carry on across rows.
std::vector<unsigned char> constant_pixels(int count, unsigned char value);
std::vector<unsigned char> long_runs(std::mt19937 &rng, int count, int values, int longest);

// ---------------------------------------------------------------------------
// What the bytes of a file show, from a strict walk of its blocks and of
// every image's LZW codes.

struct ImageFacts {
   int min_code_size = 0;
   long data_bytes = 0;  // LZW data, without the code size and block sizes
   int last_block = 0;  // size of the last data sub-block
   int clears = 0;  // clear codes after the first code of the data
   int end_width = 0;  // width the end code was read at
   int entries_at_end = 0;  // next free dictionary code when the end code came
   int largest_code = 0;  // of the data's codes but the clear and end codes
   bool widened_by_last_code = false;  // the last data code's entry filled the width
};

struct StreamFacts {
   std::vector<ImageFacts> images;
};

// The file is GIF89a, every block is complete, an image without a local
// table has its table size bits 0, each image's codes are valid for a
// decoder that follows the dictionary, reach exactly width x height pixels
// and then the end code, with no byte after the one that holds the end
// code, and nothing follows the trailer.
::testing::AssertionResult strict_structure(const std::string &path, StreamFacts *facts);

// ---------------------------------------------------------------------------
// Readers against what was written.

// giflib's DGifSlurp succeeds and sees the written screen, background,
// global table (rounded up, padded with black), loop block, and per frame
// the position, size, local table, one control extension with the
// written values, and the indices.
::testing::AssertionResult giflib_reads_as_written(const std::string &path,
                                                   const GifSequence &written);

// Our reader gives back the written records and indices.
::testing::AssertionResult reader_reads_as_written(const std::string &path,
                                                   const GifSequence &written);

// draw_gif_frame of the written sequence, frame after frame, shows what
// the reference compositor makes of giflib's reading of the file; and the
// file read back by our codec matches giflib too (oracle's own check).
::testing::AssertionResult drawn_as_giflib_composes(const std::string &path,
                                                    GifSequence *written);

// One ImageMagick run over several files: every frame's pixels are the
// written table's colours (alpha 0 where the index is transparent). Frames
// must lie within the screen and use indices within the written table.
struct Written {
   std::string path;
   const GifSequence *sequence;
};
::testing::AssertionResult imagemagick_reads_as_written(const std::vector<Written> &files,
                                                        const std::string &out_prefix);

// gifsicle decodes each file without an error or a warning.
::testing::AssertionResult gifsicle_reads_cleanly(const std::vector<std::string> &paths);

// All of the above on one file but ImageMagick and gifsicle, which are
// left to batched calls.
::testing::AssertionResult read_back_everywhere(const std::string &path, GifSequence *written,
                                                StreamFacts *facts = nullptr);

// Files checked one by one as they are written, then by gifsicle and
// ImageMagick in one run each, which keeps the number of processes low.
class Batch {
public:
   explicit Batch(const Scratch &scratch) : scratch_(scratch) {}
   ~Batch();
   Batch(const Batch &) = delete;
   Batch &operator=(const Batch &) = delete;

   // Writes the sequence as `name` with write_gif_sequence and checks it
   // everywhere. gifsicle and ImageMagick see it only when `programs` is
   // true: both object to indices past the table and frames past the
   // screen, which the other readers take as the codec does.
   StreamFacts write(const std::string &name, std::unique_ptr<Sequence> sequence,
                     bool programs = true);
   // Checks a file something else wrote (save_gif_bitmap, save_bitmap)
   // against the sequence it should hold.
   StreamFacts check(const std::string &path, std::unique_ptr<Sequence> expected,
                     bool programs = true);
   // Runs gifsicle and ImageMagick over the files gathered so far.
   void finish();

private:
   const Scratch &scratch_;
   std::vector<std::unique_ptr<Sequence>> kept_;
   std::vector<std::string> all_;
   std::vector<Written> for_magick_;
   int runs_ = 0;
};

// ---------------------------------------------------------------------------
// The standard GIF LZW parse (longest match, a new code per step, the code
// width growing when a decoder's next entry no longer fits, a clear code
// once the dictionary holds 4096 entries), followed pixel by pixel: what
// the encoding of each prefix of `pixels` ends with. Used to choose sizes
// that end at a code width or sub-block boundary.
struct PrefixEnd {
   long data_bytes;  // LZW data bytes of the prefix's encoding
   int end_width;  // width of its end code
   int entries_at_end;  // next free code when its end code is read
   int clears;  // clear codes after the first
};
std::vector<PrefixEnd> prefix_ends(const std::vector<unsigned char> &pixels, int min_code_size);

}  // namespace writer_check

#endif
