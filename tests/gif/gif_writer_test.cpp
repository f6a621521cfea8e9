// The bytes the writer lays down, the encoder against its plainest form,
// round trips through our reader, and failures that leave no file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <random>

#include "gif/gif_encoder.h"
#include "reference_encoder.h"
#include "support/gif_test_util.h"
#include "support/ordinary_user.h"
#include "support/scratch.h"

namespace {

using Bytes = std::vector<unsigned char>;

BitmapPtr indexed(int w, int h, const std::vector<int> &values)
{
   BitmapPtr bitmap(create_bitmap_ex(8, w, h));
   for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++)
         putpixel(bitmap.get(), x, y, values[size_t(y) * w + x]);
   }
   return bitmap;
}

// A sequence record around frames the test owns; freed without them.
struct Sequence {
   GifSequence record;
   std::vector<GifFrame> frames;

   explicit Sequence(int w, int h)
   {
      memset(&record, 0, sizeof record);
      record.width = w;
      record.height = h;
      record.loop_count = -1;
   }
   GifFrame &add(BITMAP *bitmap)
   {
      GifFrame frame;
      memset(&frame, 0, sizeof frame);
      frame.bitmap = bitmap;
      frame.transparent_index = -1;
      frames.push_back(frame);
      return frames.back();
   }
   const GifSequence *get()
   {
      record.frames = frames.data();
      record.frame_count = int(frames.size());
      return &record;
   }
};

Bytes written(Scratch &scratch, const GifSequence *sequence)
{
   const std::string file = scratch.path("out.gif");
   EXPECT_EQ(write_gif_sequence(file.c_str(), sequence), 0);
   return read_file(file);
}

// The file written for a w x h screen of one frame of `values`.
Bytes written_still(Scratch &scratch, int w, int h, const std::vector<int> &values)
{
   BitmapPtr bitmap = indexed(w, h, values);
   Sequence sequence(w, h);
   sequence.add(bitmap.get());
   return written(scratch, sequence.get());
}

Bytes concat(std::initializer_list<Bytes> parts)
{
   Bytes all;
   for (const Bytes &part : parts)
      all.insert(all.end(), part.begin(), part.end());
   return all;
}

std::vector<int> noise(size_t n, int values, unsigned seed)
{
   std::mt19937 random(seed);
   std::vector<int> out(n);
   for (int &v : out)
      v = int(random() % unsigned(values));
   return out;
}

TEST(GifWriter, SavedBitmapHasTheFixedLayout)
{
   Scratch scratch;
   BitmapPtr bitmap = indexed(1, 1, {0});
   PALETTE palette;
   for (int k = 0; k < 256; k++)
      palette[k] = RGB{uint8_t(k % 64), uint8_t(63 - k % 64), uint8_t(k / 4), 0};
   const std::string file = scratch.path("a.gif");
   ASSERT_EQ(save_gif_bitmap(file.c_str(), bitmap.get(), palette), 0);

   const Bytes bytes = read_file(file);
   // Header 13, control 8, descriptor 10, a local table of 256 entries;
   // then one pixel of 0: clear 4, 0, end 5 at 3 bits each, in two bytes.
   const size_t table = 13 + 8 + 10;
   ASSERT_EQ(bytes.size(), table + 3 * 256 + 6);
   EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + long(table)),
             concat({{'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x70, 0, 0},
                     {0x21, 0xF9, 4, 0, 0, 0, 0, 0},
                     {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0x87}}));
   EXPECT_EQ(Bytes(bytes.end() - 6, bytes.end()), (Bytes{2, 2, 0x44, 0x01, 0, 0x3B}));
   // The table's components have 8 bits, the palette's 6: each is spread
   // over the whole range, 0 none and 63 full, and its top six bits are
   // the palette's, so that the picture loads back with the same palette.
   for (int k = 0; k < 256; k++) {
      const int six[3] = {palette[k].r, palette[k].g, palette[k].b};
      for (int c = 0; c < 3; c++) {
         const int eight = bytes[table + 3 * size_t(k) + size_t(c)];
         EXPECT_EQ(eight >> 2, six[c]) << "entry " << k;
         if (six[c] == 0 || six[c] == 63) {
            EXPECT_EQ(eight, six[c] ? 255 : 0) << "entry " << k;
         }
      }
   }
}

TEST(GifWriter, MinimumCodeSizeFollowsTheLargestIndex)
{
   Scratch scratch;
   const std::pair<int, int> cases[] = {{0, 2}, {3, 2}, {4, 3}, {7, 3}, {8, 4}, {200, 8}, {255, 8}};
   for (const auto &c : cases) {
      const Bytes bytes = written_still(scratch, 2, 1, {0, c.first});
      // Header 13, control 8, descriptor 10: the code size comes next.
      ASSERT_GT(bytes.size(), 31u);
      EXPECT_EQ(bytes[31], c.second) << "largest " << c.first;
   }
}

TEST(GifWriter, ControlBlockTablesAndLoopBlock)
{
   Scratch scratch;
   BitmapPtr a = indexed(1, 1, {1});
   BitmapPtr b = indexed(1, 1, {1});
   Sequence sequence(3, 2);
   sequence.record.background_index = 7;
   sequence.record.loop_count = 0;
   sequence.record.palette.count = 256;
   sequence.record.palette.colors[255] = {9, 8, 7, 0};
   GifFrame &first = sequence.add(a.get());
   first.disposal = 2;
   first.transparent_index = 9;
   first.delay = 0x1234;
   first.x = 0x102;
   first.palette.count = 2;
   first.palette.colors[1] = {1, 2, 3, 0};
   GifFrame &second = sequence.add(b.get());
   second.palette.count = 1;  // too small to be written
   const Bytes bytes = written(scratch, sequence.get());

   ASSERT_GT(bytes.size(), 13u + 768 + 19 + 8 + 10 + 6);
   EXPECT_EQ(Bytes(bytes.begin() + 6, bytes.begin() + 13), (Bytes{3, 0, 2, 0, 0xF7, 7, 0}));
   EXPECT_EQ(Bytes(bytes.begin() + 13 + 765, bytes.begin() + 13 + 768), (Bytes{9, 8, 7}));
   size_t at = 13 + 768;
   const Bytes loop = concat({{0x21, 0xFF, 11}, Bytes{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2',
                                                      '.', '0'},
                              {3, 1, 0, 0, 0}});
   EXPECT_EQ(Bytes(bytes.begin() + long(at), bytes.begin() + long(at + 19)), loop);
   at += 19;
   EXPECT_EQ(Bytes(bytes.begin() + long(at), bytes.begin() + long(at + 8 + 10 + 6)),
             concat({{0x21, 0xF9, 4, 0x09, 0x34, 0x12, 9, 0},
                     {0x2C, 0x02, 0x01, 0, 0, 1, 0, 1, 0, 0x80},
                     {0, 0, 0, 1, 2, 3}}));
   // The second frame: all-zero control block, no local table.
   const Bytes tail(bytes.end() - 24, bytes.end());
   EXPECT_EQ(Bytes(tail.begin(), tail.begin() + 18),
             concat({{0x21, 0xF9, 4, 0, 0, 0, 0, 0}, {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0}}));
   EXPECT_EQ(bytes.back(), 0x3B);
}

TEST(GifWriter, NoLoopBlockForMinusOneAndNoGlobalTableForZero)
{
   Scratch scratch;
   const Bytes bytes = written_still(scratch, 1, 1, {0});
   EXPECT_EQ(bytes[10], 0x70);
   EXPECT_EQ(Bytes(bytes.begin() + 13, bytes.begin() + 15), (Bytes{0x21, 0xF9}));
}

TEST(GifWriter, EncoderMatchesThePlainAlgorithmByteForByte)
{
   struct Case {
      int w, h, values;
   };
   // Sizes from one pixel up; 2 to 256 values; long runs of few values
   // fill the 4096-code table many times over.
   const Case cases[] = {{1, 1, 2},    {1, 1, 256},   {1, 37, 3},  {53, 1, 4},   {7, 5, 5},
                         {31, 17, 17}, {64, 64, 200}, {99, 41, 256}, {300, 200, 2}, {513, 77, 3},
                         {256, 256, 256}};
   unsigned seed = 1;
   for (const Case &c : cases) {
      for (bool runs : {false, true}) {
         std::vector<int> pixels = noise(size_t(c.w) * c.h, c.values, seed++);
         if (runs) {
            for (size_t i = 1; i < pixels.size(); i++) {
               if (pixels[i] % 8 != 0)
                  pixels[i] = pixels[i - 1];
            }
         }
         Scratch scratch;
         const Bytes bytes = written_still(scratch, c.w, c.h, pixels);
         const Bytes data = reference_encode(pixels, c.w, c.h);
         // Header, control block, descriptor, then the data and 0, 0x3B.
         ASSERT_EQ(bytes.size(), 31 + data.size() + 2) << c.w << "x" << c.h;
         EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes.begin() + 31))
            << c.w << "x" << c.h << " values " << c.values << (runs ? " runs" : "");

         GifSequencePtr back(open_gif_sequence(scratch.path("out.gif").c_str()));
         ASSERT_TRUE(back) << c.w << "x" << c.h << " values " << c.values << (runs ? " runs" : "");
         EXPECT_EQ(indices(back->frames[0]), pixels) << c.w << "x" << c.h;
      }
   }
}

// The animation's pixels that keep what is under them may be written as
// their own index or as the transparent one; each decodes to one of the
// two, whichever way the encoder prefers, and the codes are as short as
// the other pixels and the transparent index allow: kept pixels whose own
// index needs longer codes take the transparent one.
TEST(GifWriter, PixelsWithAChoiceDecodeToTheirOwnIndexOrTheTransparentOne)
{
   const int w = 61, h = 37, transparent = 6;
   const std::vector<int> changes = noise(size_t(w) * h, 4, 3), kept = noise(size_t(w) * h, 200, 4);
   const std::vector<int> choice = noise(size_t(w) * h, 3, 5);
   std::vector<uint8_t> pixels(changes.size()), either(changes.size());
   for (size_t i = 0; i < pixels.size(); i++) {
      either[i] = choice[i] != 0;
      pixels[i] = uint8_t(either[i] ? kept[i] : changes[i]);
   }
   for (GifChoice way : {GIF_TRANSPARENT_FIRST, GIF_OWN_FIRST, GIF_TRANSPARENT, GIF_OWN}) {
      const GifIndices image = {pixels.data(), either.data(), w, h, transparent, way};
      std::vector<uint8_t> data;
      encode_gif_indices(image, &data);
      EXPECT_EQ(count_gif_indices(image), long(data.size())) << way;
      EXPECT_EQ(data[0], 3) << way;  // holds the transparent 6

      GifBytes gif;
      gif.header(w, h, std::vector<uint32_t>(256, 0x102030)).control(0, 0, transparent);
      gif.image(0, 0, w, h).bytes.insert(gif.bytes.end(), data.begin(), data.end());
      gif.raw({0}).trailer();
      GifSequencePtr back = read_bytes(gif);
      ASSERT_TRUE(back) << way;
      const std::vector<int> got = indices(back->frames[0]);
      ASSERT_EQ(got.size(), pixels.size());
      long own = 0;
      for (size_t i = 0; i < got.size(); i++) {
         if (!either[i]) {
            ASSERT_EQ(got[i], pixels[i]) << way << " pixel " << i;
         } else {
            ASSERT_TRUE(got[i] == pixels[i] || got[i] == transparent) << way << " pixel " << i;
            own += got[i] == pixels[i] && pixels[i] != transparent;
         }
      }
      EXPECT_TRUE(way != GIF_TRANSPARENT || own == 0) << own << " pixels written as their own";
   }
}

TEST(GifWriter, DataOfExactlyOneFullSubBlockHasNoShortBlockAfterIt)
{
   // Find a run of noise whose data fills exactly 255 bytes.
   for (int w = 100; w < 400; w++) {
      const std::vector<int> pixels = noise(size_t(w), 256, 7);
      const Bytes data = reference_encode(pixels, w, 1);
      if (data.size() != 1 + 1 + 255)
         continue;
      Scratch scratch;
      const Bytes bytes = written_still(scratch, w, 1, pixels);
      ASSERT_EQ(bytes.size(), 31u + 1 + 1 + 255 + 2);
      EXPECT_EQ(bytes[32], 255);
      EXPECT_EQ(bytes[32 + 256], 0);
      return;
   }
   FAIL() << "no width gave exactly 255 bytes";
}

TEST(GifWriter, ReadSequenceWritesBackWithLoopBlockAndSameFrames)
{
   Scratch scratch;
   GifBytes gif;
   gif.header(4, 3, {0x102030, 0x405060, 0x708090}, 2).control(3, 5, 1);
   gif.image(1, 1, 2, 2, {0xaabbcc, 0xddeeff}, true).data(2, raw_codes(2, {0, 1, 1, 0}));
   gif.image(0, 0, 4, 3).data(2, raw_codes(2, {2, 2, 2, 2, 1, 1, 1, 1, 0, 0, 0, 0})).trailer();
   GifSequencePtr original(open_gif_sequence(scratch.write("in.gif", gif.bytes).c_str()));
   ASSERT_TRUE(original);
   ASSERT_EQ(write_gif_sequence(scratch.path("out.gif").c_str(), original.get()), 0);
   GifSequencePtr copy(open_gif_sequence(scratch.path("out.gif").c_str()));
   ASSERT_TRUE(copy);

   const Bytes bytes = read_file(scratch.path("out.gif"));
   EXPECT_EQ(Bytes(bytes.begin() + 13 + 12, bytes.begin() + 13 + 12 + 3), (Bytes{0x21, 0xFF, 11}));
   EXPECT_EQ(copy->loop_count, 0);
   EXPECT_EQ(copy->background_index, 2);
   EXPECT_EQ(copy->palette.count, 4);
   ASSERT_EQ(copy->frame_count, 2);
   for (int i = 0; i < 2; i++) {
      const GifFrame &a = original->frames[i], &b = copy->frames[i];
      EXPECT_EQ(indices(a), indices(b));
      EXPECT_EQ(a.x, b.x);
      EXPECT_EQ(a.y, b.y);
      EXPECT_EQ(a.delay, b.delay);
      EXPECT_EQ(a.disposal, b.disposal);
      EXPECT_EQ(a.transparent_index, b.transparent_index);
      EXPECT_EQ(a.palette.count, b.palette.count);
      EXPECT_EQ(memcmp(a.palette.colors, b.palette.colors, sizeof a.palette.colors), 0);
      EXPECT_EQ(b.interlaced, 0);
   }
}

// Each refusal says why in one line.
TEST(GifWriter, EmptyAndUnstorableInputsWriteNothing)
{
   Scratch scratch;
   const std::string file = scratch.path("a.gif");
   std::string problem;
   BitmapPtr empty(create_bitmap_ex(8, 0, 4));
   EXPECT_EQ(save_gif_bitmap(file.c_str(), empty.get(), nullptr, &problem), -1);
   EXPECT_EQ(problem, "an empty bitmap");
   BitmapPtr wide(create_bitmap_ex(8, 65536, 1));
   EXPECT_EQ(save_gif_bitmap(file.c_str(), wide.get(), nullptr, &problem), -1);
   EXPECT_EQ(problem, "a screen of 65536x1 (0 to 65535 each way)");
   BitmapPtr one = indexed(1, 1, {0}), deep(create_bitmap_ex(32, 2, 2));
   Sequence sequence(2, 2);
   sequence.add(one.get());
   sequence.add(deep.get());
   EXPECT_EQ(write_gif_sequence(file.c_str(), sequence.get(), &problem), -1);
   EXPECT_EQ(problem, "frame 1: indices in a bitmap that is not 8-bit");
   EXPECT_FALSE(file_exists(file));
   EXPECT_EQ(save_gif_bitmap(scratch.path("no/such/dir.gif").c_str(), one.get(), nullptr, &problem),
             -1);
   EXPECT_EQ(problem, std::string("cannot make a new file beside it: ") + strerror(ENOENT));
   EXPECT_EQ(std::filesystem::is_empty(scratch.path("")), true);
}

TEST(GifWriter, ZeroSizedFramesOfASequenceWriteAsEmptyImages)
{
   Scratch scratch;
   BitmapPtr empty(create_bitmap_ex(8, 0, 3));
   Sequence sequence(2, 2);
   sequence.add(empty.get());
   ASSERT_EQ(write_gif_sequence(scratch.path("a.gif").c_str(), sequence.get()), 0);
   GifSequencePtr back(open_gif_sequence(scratch.path("a.gif").c_str()));
   ASSERT_TRUE(back);
   ASSERT_EQ(back->frame_count, 1);
   EXPECT_EQ(back->frames[0].bitmap->w, 0);
   EXPECT_EQ(back->frames[0].bitmap->h, 3);
}

TEST(GifWriter, FailedWriteGivesMinusOneAndKeepsTheOlderFile)
{
   Scratch scratch;
   const std::string file = scratch.write("a.gif", {'o', 'l', 'd'});
   // A child with a small file size limit: writes past it fail as on a
   // full disk.
   const pid_t child = fork();
   ASSERT_GE(child, 0);
   if (child == 0) {
      signal(SIGXFSZ, SIG_IGN);
      rlimit limit = {4096, 4096};
      setrlimit(RLIMIT_FSIZE, &limit);
      BitmapPtr big = indexed(200, 200, noise(200 * 200, 256, 3));
      _exit(save_gif_bitmap(file.c_str(), big.get(), nullptr) == -1 ? 0 : 1);
   }
   int status = 0;
   waitpid(child, &status, 0);
   EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "save did not report -1";
   EXPECT_EQ(read_file(file), (Bytes{'o', 'l', 'd'}));
   EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("")),
                           std::filesystem::directory_iterator()),
             1);
}

// What a file that is saved over becomes, made by the test as an ordinary
// user: `name` is the file saved to; when `target` is set it is a
// symbolic link to that (relative) name.
struct ReplaceCase {
   const char *name;
   const char *target;
   mode_t mode;  // of the older file; 0 for none
   int result;
   mode_t after;  // of the file afterwards
};

TEST(GifWriter, SavingOverAFileFollowsLinksKeepsPermissionsAndRefusesReadOnlyFiles)
{
   Scratch scratch;
   const mode_t mask = umask(0);
   umask(mask);
   const mode_t fresh = 0666 & ~mask;
   const ReplaceCase cases[] = {
      {"plain.gif", nullptr, 0640, 0, 0640},
      {"read-only.gif", nullptr, 0444, -1, 0444},
      {"link.gif", "linked.gif", 0604, 0, 0604},
      {"dangling.gif", "made-through-link.gif", 0, 0, fresh},
      {"link-to-read-only.gif", "read-only-target.gif", 0400, -1, 0400},
   };
   as_ordinary_user(scratch.path(""), [&] {
      BitmapPtr one = indexed(1, 1, {0});
      for (const ReplaceCase &c : cases) {
         SCOPED_TRACE(c.name);
         const std::string name = scratch.path(c.name);
         const std::string file = c.target ? scratch.path(c.target) : name;
         if (c.target) {
            ASSERT_EQ(symlink(c.target, name.c_str()), 0);
         }
         if (c.mode) {
            scratch.write(c.target ? c.target : c.name, {'o', 'l', 'd'});
            ASSERT_EQ(chmod(file.c_str(), c.mode), 0);
         }
         EXPECT_EQ(save_gif_bitmap(name.c_str(), one.get(), nullptr), c.result);
         struct stat st;
         ASSERT_EQ(lstat(name.c_str(), &st), 0);
         EXPECT_EQ(S_ISLNK(st.st_mode), c.target != nullptr);
         ASSERT_EQ(stat(file.c_str(), &st), 0);
         EXPECT_EQ(st.st_mode & 07777, c.after);
         const Bytes bytes = read_file(file);
         EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), c.result ? "old" : "GIF");
      }
      // No temporary file is left behind.
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("")),
                              std::filesystem::directory_iterator()),
                8);
   });
}

TEST(GifWriter, TruecolourBitmapsMapToTheGivenPalette)
{
   Scratch scratch;
   PALETTE palette;
   memset(palette, 0, sizeof palette);
   palette[1] = RGB{63, 0, 0, 0};
   palette[2] = RGB{0, 63, 0, 0};
   palette[3] = RGB{0, 0, 63, 0};
   BitmapPtr picture(create_bitmap_ex(32, 3, 1));
   putpixel(picture.get(), 0, 0, makecol32(0, 0, 255));
   putpixel(picture.get(), 1, 0, makecol32(255, 0, 0));
   putpixel(picture.get(), 2, 0, makecol32(0, 250, 0));
   const std::string file = scratch.path("a.gif");
   ASSERT_EQ(save_gif_bitmap(file.c_str(), picture.get(), palette), 0);
   GifSequencePtr back(open_gif_sequence(file.c_str()));
   ASSERT_TRUE(back);
   EXPECT_EQ(indices(back->frames[0]), (std::vector<int>{3, 1, 2}));
   EXPECT_EQ(back->frames[0].palette.colors[2].g, 255);
}

}  // namespace
