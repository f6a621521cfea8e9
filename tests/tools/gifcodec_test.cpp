// The gifcodec command line, run in-process: its report, its PAM output,
// and its one-line failures that leave no file behind.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <allegro.h>

#include <random>

#include "gifcodec/gifcodec.h"
#include "support/gif_bytes.h"
#include "support/gif_test_util.h"
#include "support/ordinary_user.h"
#include "support/scratch.h"

namespace {

struct ToolRun {
   int status;
   std::string out, err;
};

std::string contents(FILE *file)
{
   rewind(file);
   std::string text;
   char buffer[4096];
   size_t n;
   while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
      text.append(buffer, n);
   fclose(file);
   return text;
}

ToolRun gifcodec(std::vector<std::string> args)
{
   args.insert(args.begin(), "gifcodec");
   std::vector<char *> argv;
   for (std::string &arg : args)
      argv.push_back(&arg[0]);
   FILE *out = tmpfile();
   FILE *err = tmpfile();
   const int status = gifcodec_main(int(argv.size()), argv.data(), out, err);
   return {status, contents(out), contents(err)};
}

// Two frames on a 3x2 screen: a full red/green/blue/black image, then a
// 1x1 image at (2, 1) whose only pixel is transparent, after disposal 2.
std::vector<unsigned char> two_frames()
{
   GifBytes gif;
   gif.header(3, 2, {0xff0000, 0x00ff00, 0x0000ff, 0x000000}, 1).loop(3);
   gif.control(2, 40, -1).image(0, 0, 3, 2).data(2, raw_codes(2, {0, 1, 2, 3, 3, 0}));
   gif.control(0, 7, 1).image(2, 1, 1, 1, {0xffffff, 0x000000}, true);
   gif.data(2, raw_codes(2, {1})).trailer();
   return gif.bytes;
}

std::string pam_header(int w, int h)
{
   return "P7\nWIDTH " + std::to_string(w) + "\nHEIGHT " + std::to_string(h) +
          "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
}

using Bytes = std::vector<unsigned char>;

TEST(Gifcodec, InfoDescribesTheFileAndEachFrame)
{
   Scratch scratch;
   const std::string file = scratch.write("a.gif", two_frames());
   const ToolRun run = gifcodec({"info", file});
   EXPECT_EQ(run.status, 0);
   EXPECT_EQ(run.err, "");
   // The data: the code size byte, one sub-block and its size byte.
   const size_t data0 = 2 + pack_codes(raw_codes(2, {0, 1, 2, 3, 3, 0})).size();
   const size_t data1 = 2 + pack_codes(raw_codes(2, {1})).size();
   EXPECT_EQ(run.out, file + ": screen 3x2, background 1, global table 4, loop 3, frames 2\n"
                             "frame 0: at 0,0 size 3x2, local table 0, delay 40, disposal 2, "
                             "transparent -1, interlaced no, data " + std::to_string(data0) +
                         " bytes\n"
                         "frame 1: at 2,1 size 1x1, local table 2, delay 7, disposal 0, "
                         "transparent 1, interlaced yes, data " + std::to_string(data1) +
                         " bytes\n");
}

TEST(Gifcodec, DecodeWritesTheComposedFrameAsPam)
{
   Scratch scratch;
   const std::string file = scratch.write("a.gif", two_frames());
   const std::string out = scratch.path("out.pam");

   ASSERT_EQ(gifcodec({"decode", file, out, "--frame", "0"}).status, 0);
   const std::string header = pam_header(3, 2);
   std::vector<unsigned char> expected(header.begin(), header.end());
   for (unsigned char v : {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255,  //
                           0, 0, 0, 255, 0, 0, 0, 255, 255, 0, 0, 255})
      expected.push_back(v);
   EXPECT_EQ(read_file(out), expected);

   // The last frame by default: disposal 2 empties the screen, and the new
   // frame's pixel is transparent, so nothing is opaque.
   ASSERT_EQ(gifcodec({"decode", file, out}).status, 0);
   expected.resize(header.size());
   expected.resize(expected.size() + 24, 0);
   EXPECT_EQ(read_file(out), expected);
}

// Opaque magenta is a colour like any other; only transparent and
// uncovered pixels lose their alpha (PAM) or become black (PPM), whether
// the last frame is drawn on a canvas or read straight.
TEST(Gifcodec, DecodeKeepsMagentaOpaqueInPamAndPpm)
{
   Scratch scratch;
   const std::vector<uint32_t> colors = {0xff00ff, 0x102030, 0x405060, 0x708090};
   // A 2x1 frame of magenta and the transparent index on a 3x1 screen.
   GifBytes partly;
   partly.header(3, 1, colors).control(0, 0, 1).image(0, 0, 2, 1);
   partly.data(2, raw_codes(2, {0, 1})).trailer();
   // A frame of magenta and another colour that covers the screen.
   GifBytes covering;
   covering.header(2, 1, colors).image(0, 0, 2, 1).data(2, raw_codes(2, {0, 2})).trailer();
   const std::string partlyGif = scratch.write("partly.gif", partly.bytes);
   const std::string coveringGif = scratch.write("covering.gif", covering.bytes);

   const struct {
      std::string gif, out;
      std::string header;
      Bytes samples;
   } cases[] = {
      {partlyGif, "partly.pam", pam_header(3, 1), {255, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0}},
      {partlyGif, "partly.PPM", "P6\n3 1\n255\n", {255, 0, 255, 0, 0, 0, 0, 0, 0}},
      {coveringGif, "covering.pam", pam_header(2, 1), {255, 0, 255, 255, 0x40, 0x50, 0x60, 255}},
      {coveringGif, "covering.ppm", "P6\n2 1\n255\n", {255, 0, 255, 0x40, 0x50, 0x60}},
   };
   for (const auto &c : cases) {
      const std::string out = scratch.path(c.out);
      const ToolRun run = gifcodec({"decode", c.gif, out});
      ASSERT_EQ(run.status, 0) << run.err;
      Bytes expected(c.header.begin(), c.header.end());
      expected.insert(expected.end(), c.samples.begin(), c.samples.end());
      EXPECT_EQ(read_file(out), expected) << c.out;
   }
}

// Writing over an output: through a symbolic link to the file it names,
// keeping that file's permissions; a read-only file is refused and kept.
TEST(Gifcodec, DecodeOverLinksAndReadOnlyFiles)
{
   Scratch scratch;
   const std::string gif = scratch.write("a.gif", two_frames());
   as_ordinary_user(scratch.path(""), [&] {
      const std::string real = scratch.write("real.pam", {'o', 'l', 'd'});
      const std::string link = scratch.path("link.pam");
      const std::string locked = scratch.write("locked.ppm", {'o', 'l', 'd'});
      ASSERT_EQ(chmod(real.c_str(), 0640), 0);
      ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
      ASSERT_EQ(symlink("real.pam", link.c_str()), 0);

      EXPECT_EQ(gifcodec({"decode", gif, link}).status, 0);
      struct stat st;
      ASSERT_EQ(lstat(link.c_str(), &st), 0);
      EXPECT_TRUE(S_ISLNK(st.st_mode));
      ASSERT_EQ(stat(real.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0640u);
      EXPECT_EQ(read_file(real).size(), pam_header(3, 2).size() + 24);

      const ToolRun run = gifcodec({"decode", gif, locked});
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.err, "gifcodec: " + locked + ": Permission denied\n");
      EXPECT_EQ(read_file(locked), (Bytes{'o', 'l', 'd'}));
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path("")),
                              std::filesystem::directory_iterator()),
                4);
   });
}

TEST(Gifcodec, FailuresNameTheFileAndLeaveNoOutput)
{
   Scratch scratch;
   const std::string good = scratch.write("a.gif", two_frames());
   std::vector<unsigned char> cut = two_frames();
   cut.pop_back();
   const std::string truncated = scratch.write("cut.gif", cut);
   const std::string out = scratch.path("out.pam");

   ToolRun run = gifcodec({"decode", scratch.path("missing.gif"), out});
   EXPECT_EQ(run.status, 1);
   EXPECT_EQ(run.err, "gifcodec: " + scratch.path("missing.gif") + ": No such file or directory\n");

   run = gifcodec({"decode", truncated, out});
   EXPECT_EQ(run.status, 1);
   EXPECT_EQ(run.err, "gifcodec: " + truncated + ": truncated: the file ends after frame 1\n");

   run = gifcodec({"decode", good, out, "--frame", "2"});
   EXPECT_EQ(run.status, 1);
   EXPECT_EQ(run.err, "gifcodec: " + good + ": no frame 2 (the file has 2)\n");

   run = gifcodec({"decode", good, scratch.path("no-such-dir/out.pam")});
   EXPECT_EQ(run.status, 1);
   EXPECT_NE(run.err.find(scratch.path("no-such-dir/out.pam")), std::string::npos);

   EXPECT_FALSE(file_exists(out));

   for (const std::vector<std::string> &args :
        std::vector<std::vector<std::string>>{{}, {"info"}, {"decode", good, out, "--frame", "x"},
                                              {"decode", good, out, "--frame", "-1"},
                                              {"decode", good, scratch.path("out.png")},
                                              {"frobnicate", good}}) {
      run = gifcodec(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err, "");
   }
   EXPECT_FALSE(file_exists(out));
   EXPECT_FALSE(file_exists(scratch.path("out.png")));
}

Bytes pam(int w, int h, const std::vector<uint32_t> &rgba)
{
   const std::string header = pam_header(w, h);
   Bytes out(header.begin(), header.end());
   for (uint32_t p : rgba) {
      for (int shift : {24, 16, 8, 0})
         out.push_back(uint8_t(p >> shift));
   }
   return out;
}

// The composed picture of a GIF, as 0xRRGGBBAA values: the last frame's,
// or frame `frame`'s.
std::vector<uint32_t> decoded(const std::string &gif, const Scratch &scratch, int frame = -1)
{
   const std::string out = scratch.path("decoded.pam");
   std::vector<std::string> args = {"decode", gif, out};
   if (frame >= 0)
      args.insert(args.end(), {"--frame", std::to_string(frame)});
   EXPECT_EQ(gifcodec(args).status, 0);
   const Bytes bytes = read_file(out);
   std::vector<uint32_t> values;
   const std::string text(bytes.begin(), bytes.end());
   size_t at = text.find("ENDHDR\n");
   EXPECT_NE(at, std::string::npos);
   for (at += 7; at + 4 <= bytes.size(); at += 4)
      values.push_back(uint32_t(bytes[at]) << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 |
                       bytes[at + 3]);
   return values;
}

TEST(GifcodecEncode, FewColoursAndTransparencyComeBackExactly)
{
   Scratch scratch;
   std::vector<uint32_t> rgba;
   std::mt19937 random(5);
   const uint32_t colors[] = {0xff000000u, 0x10203000u, 0xfefefe00u, 0x00ff0000u};
   for (int i = 0; i < 300 * 7; i++) {
      const unsigned pick = random() % 5;
      // Transparent pixels come back as alpha 0 and colour 0.
      rgba.push_back(pick == 4 ? 0u : colors[pick] | 0xff);
   }
   const std::string in = scratch.write("in.pam", pam(300, 7, rgba));
   const std::string gif = scratch.path("out.gif");
   const ToolRun run = gifcodec({"encode", in, gif});
   ASSERT_EQ(run.status, 0) << run.err;
   EXPECT_EQ(decoded(gif, scratch), rgba);

   GifSequencePtr sequence(open_gif_sequence(gif.c_str()));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->palette.count, 8);
   EXPECT_EQ(sequence->frames[0].transparent_index, 4);
}

TEST(GifcodecEncode, ManyColoursGoToTheirNearestTableEntry)
{
   Scratch scratch;
   // A 16-bit PPM of smooth gradients and noise: thousands of colours.
   const int w = 64, h = 48;
   Bytes ppm;
   const std::string header = "P6\n# made by the test\n64 48\n65535\n";
   ppm.assign(header.begin(), header.end());
   std::mt19937 random(9);
   std::vector<uint32_t> rgb;
   for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
         const uint32_t r = uint32_t(x * 4), g = uint32_t(y * 5), b = random() % 256;
         rgb.push_back(r << 16 | g << 8 | b);
         for (uint32_t v : {r, g, b}) {
            ppm.push_back(uint8_t(v));  // v * 257 in 16 bits: v, v
            ppm.push_back(uint8_t(v));
         }
      }
   }
   const std::string gif = scratch.path("out.gif");
   ASSERT_EQ(gifcodec({"encode", scratch.write("in.ppm", ppm), gif}).status, 0);
   GifSequencePtr sequence(open_gif_sequence(gif.c_str()));
   ASSERT_TRUE(sequence);
   ASSERT_EQ(sequence->palette.count, 256);
   const ColorTable &table = sequence->palette;
   auto distance = [&](int k, uint32_t c) {
      const int dr = table.colors[k].r - int(c >> 16), dg = table.colors[k].g - int(c >> 8 & 255),
                db = table.colors[k].b - int(c & 255);
      return dr * dr + dg * dg + db * db;
   };
   long total = 0;
   for (int i = 0; i < w * h; i++) {
      const int index = getpixel(sequence->frames[0].bitmap, i % w, i / w);
      int best = distance(0, rgb[size_t(i)]);
      for (int k = 1; k < 256; k++)
         best = std::min(best, distance(k, rgb[size_t(i)]));
      ASSERT_EQ(distance(index, rgb[size_t(i)]), best) << "pixel " << i;
      total += best;
   }
   // A table made for the picture: far closer than a fixed 6x6x6 cube,
   // whose mean squared error on uniform noise is about 3 x 700.
   EXPECT_LT(total / (w * h), 700);
}

TEST(GifcodecEncode, PicturesTheLibraryReadsKeepTheirColours)
{
   Scratch scratch;
   BITMAP *picture = create_bitmap_ex(24, 5, 3);
   for (int i = 0; i < 15; i++)
      putpixel(picture, i % 5, i / 5, makecol24(i * 17, 255 - i * 3, i % 2 ? 200 : 7));
   const std::string bmp = scratch.path("in.bmp");
   ASSERT_EQ(save_bmp(bmp.c_str(), picture, nullptr), 0);
   const std::string gif = scratch.path("out.gif");
   ASSERT_EQ(gifcodec({"encode", bmp, gif}).status, 0);
   const std::vector<uint32_t> back = decoded(gif, scratch);
   ASSERT_EQ(back.size(), 15u);
   for (int i = 0; i < 15; i++) {
      const int c = getpixel(picture, i % 5, i / 5);
      EXPECT_EQ(back[size_t(i)], uint32_t(getr24(c)) << 24 | getg24(c) << 16 | getb24(c) << 8 | 255)
         << i;
   }
   destroy_bitmap(picture);
}

// The header of an 8-bit BMP with a palette of `colors` entries, then
// that many BGRX entries; `compression` 1 for RLE8.
Bytes bmp8_header(int w, int h, int colors, int compression = 0)
{
   Bytes out(54 + 4 * size_t(colors), 0);
   auto put32 = [&](size_t at, uint32_t v) {
      for (int k = 0; k < 4; k++)
         out[at + k] = uint8_t(v >> (8 * k));
   };
   out[0] = 'B';
   out[1] = 'M';
   put32(10, uint32_t(out.size()));
   put32(14, 40);
   put32(18, uint32_t(w));
   put32(22, uint32_t(h));
   out[26] = 1;
   out[28] = 8;
   put32(30, uint32_t(compression));
   put32(46, uint32_t(colors));
   return out;
}

TEST(GifcodecEncode, Rle8RunsAndMovesPastThePictureAreDropped)
{
   // 2x2, bottom row first: a run of 255 past the row's end, the end of
   // the line, then a move 200 rows up, past the top: the picture is
   // whole there, and what follows is dropped.
   Bytes bmp = bmp8_header(2, 2, 2, 1);
   bmp[58] = 0xff;
   bmp[10] = uint8_t(bmp.size());
   for (uint8_t b : {255, 1, 0, 0, 1, 1, 0, 2, 0, 200, 9, 9, 9, 9})
      bmp.push_back(b);
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   const ToolRun run = gifcodec({"encode", scratch.write("runs.bmp", bmp), gif});
   ASSERT_EQ(run.status, 0) << run.err;
   // Index 1 is blue, index 0 black.
   EXPECT_EQ(decoded(gif, scratch), std::vector<uint32_t>({0x0000ffff, 0x000000ff, 0x0000ffff,
                                                           0x0000ffff}));
}

TEST(GifcodecEncode, UnreadableInputsFailWithoutOutput)
{
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   const std::string header = pam_header(2, 2);
   const std::vector<std::pair<std::string, Bytes>> inputs = {
      {"short.pam", Bytes(header.begin(), header.end())},
      {"nohdr.pam", {'P', '7', '\n', 'W', 'I', 'D', 'T', 'H', ' ', '2', '\n'}},
      {"deep.ppm", {'P', '6', ' ', '1', ' ', '1', ' ', '7', '0', '0', '0', '0', '\n', 0, 0, 0}},
      {"zero.ppm", {'P', '6', ' ', '0', ' ', '1', ' ', '2', '5', '5', '\n'}},
      {"junk.bmp", {'B', 'M', 1, 2, 3}},
      {"cut.bmp", bmp8_header(2, 2, 1)},
      {"cut-rle8.bmp", bmp8_header(2, 2, 1, 1)},
      // A few header bytes must not ask for gigabytes.
      {"huge.bmp", bmp8_header(20000, 20000, 1)},
      {"huge-rle8.bmp", bmp8_header(46340, 46340, 1, 1)},
      {"cut.tga", {0, 1, 1, 0, 0, 2, 0, 24, 0, 0, 0, 0, 2, 0, 2, 0, 8, 0, 1, 2, 3, 4, 5, 6, 0, 1}},
   };
   for (const auto &input : inputs) {
      const std::string path = scratch.write(input.first, input.second);
      const ToolRun run = gifcodec({"encode", path, gif});
      EXPECT_EQ(run.status, 1) << input.first;
      EXPECT_EQ(run.err.rfind("gifcodec: " + path + ": ", 0), 0u) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
   }
   const ToolRun run = gifcodec({"encode", scratch.path("missing.ppm"), gif});
   EXPECT_EQ(run.status, 1);
   EXPECT_FALSE(file_exists(gif));

   const std::string good = scratch.write("good.pam", pam(1, 1, {0x112233ff}));
   const ToolRun unwritable = gifcodec({"encode", good, scratch.path("no/dir/out.gif")});
   EXPECT_EQ(unwritable.status, 1);
   EXPECT_EQ(unwritable.err, "gifcodec: " + scratch.path("no/dir/out.gif") + ": cannot be written\n");
}

// A sprite moving over a backdrop, one frame a PAM file; the fourth
// repeats the third, and the sprite of the last has a transparent hole.
std::vector<std::vector<uint32_t>> sprite_frames(int w, int h)
{
   std::vector<std::vector<uint32_t>> frames;
   for (int i = 0; i < 4; i++) {
      std::vector<uint32_t> f(size_t(w) * h, 0x204060ff);
      for (int y = 2; y < 6; y++)
         for (int x = 3 * std::min(i, 2); x < 3 * std::min(i, 2) + 5; x++)
            f[size_t(y) * w + x] = y == 3 && x % 2 && i == 3 ? 0 : 0xe0c020ff;
      frames.push_back(f);
   }
   frames[3] = frames[2];
   frames.push_back(frames[2]);
   frames[4][size_t(3) * w + 7] = 0;
   return frames;
}

TEST(GifcodecAnimate, FramesBecomeOneAnimationShowingEach)
{
   Scratch scratch;
   const int w = 20, h = 9;
   const std::vector<std::vector<uint32_t>> frames = sprite_frames(w, h);
   const std::string gif = scratch.path("out.gif");
   std::vector<std::string> args = {"animate", "--delay", "7", "--loop", "2", "-o", gif};
   for (size_t i = 0; i < frames.size(); i++)
      args.push_back(scratch.write("f" + std::to_string(i) + ".pam", pam(w, h, frames[i])));
   const ToolRun run = gifcodec(args);
   ASSERT_EQ(run.status, 0) << run.err;
   EXPECT_EQ(run.err, "");

   // The repeat is shown as one frame for both delays.
   GifSequencePtr sequence(open_gif_sequence(gif.c_str()));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->loop_count, 2);
   ASSERT_EQ(sequence->frame_count, 4);
   const int delays[] = {7, 7, 14, 7};
   const size_t shown[] = {0, 1, 2, 4};
   for (int i = 0; i < 4; i++) {
      EXPECT_EQ(sequence->frames[i].delay, delays[i]);
      EXPECT_EQ(decoded(gif, scratch, i), frames[shown[i]]) << "frame " << i;
   }
}

TEST(GifcodecAnimate, FramesOfAnotherSizeAndBadOptionsWriteNothing)
{
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   const std::string small = scratch.write("small.pam", pam(2, 2, std::vector<uint32_t>(4, 0xff)));
   const std::string wide = scratch.write("wide.pam", pam(3, 2, std::vector<uint32_t>(6, 0xff)));
   ToolRun run = gifcodec({"animate", "-o", gif, small, small, wide});
   EXPECT_EQ(run.status, 1);
   EXPECT_EQ(run.err, "gifcodec: " + wide + ": a frame of 3x2 on a screen of 2x2\n");
   for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
           {"animate", small}, {"animate", "-o", gif}, {"animate", "--delay", "-1", "-o", gif, small},
           {"animate", "--loop", "70000", "-o", gif, small}, {"animate", "--fast", "-o", gif, small},
           {"animate", "-o", gif, scratch.path("missing.pam")}}) {
      run = gifcodec(args);
      EXPECT_EQ(run.status, 1) << args.back();
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n') >= 1, true);
   }
   EXPECT_FALSE(file_exists(gif));
}

// A plain animation of whole frames written again: the same pictures for
// the same times, in fewer bytes; a file that does not shrink is kept.
TEST(GifcodecOptimize, WholeFramesShrinkAndSmallFilesAreKept)
{
   Scratch scratch;
   const int w = 20, h = 9;
   const std::vector<std::vector<uint32_t>> frames = sprite_frames(w, h);
   // Each frame cleared after it is shown, so transparent pixels show
   // nothing.
   GifBytes plain;
   plain.header(w, h, {0x204060, 0xe0c020, 0, 0}).loop(0);
   for (size_t i = 0; i < frames.size(); i++) {
      std::vector<int> indices;
      for (uint32_t p : frames[i])
         indices.push_back(p == 0 ? 2 : p == 0x204060ff ? 0 : 1);
      plain.control(2, int(5 + i), 2).image(0, 0, w, h).data(2, raw_codes(2, indices));
   }
   plain.trailer();
   const std::string in = scratch.write("plain.gif", plain.bytes);
   const std::string out = scratch.path("small.gif");
   ToolRun run = gifcodec({"optimize", in, out});
   ASSERT_EQ(run.status, 0) << run.err;
   EXPECT_EQ(run.out.rfind(in + ": 5 frames, " + std::to_string(plain.bytes.size()) + " bytes; " +
                              out + ": 4 frames, ",
                           0),
             0u)
      << run.out;
   EXPECT_LT(read_file(out).size(), plain.bytes.size());
   GifSequencePtr before(open_gif_sequence(in.c_str())), after(open_gif_sequence(out.c_str()));
   ASSERT_TRUE(before && after);
   ASSERT_EQ(after->frame_count, 4);
   const int delays[] = {5, 6, 15, 9};
   const int shown[] = {0, 1, 2, 4};
   for (int i = 0; i < 4; i++) {
      EXPECT_EQ(after->frames[i].delay, delays[i]);
      EXPECT_EQ(decoded(out, scratch, i), decoded(in, scratch, shown[i])) << "frame " << i;
   }

   // Two frames without control blocks, which the writer always gives:
   // kept byte for byte, and said so.
   GifBytes bare;
   bare.header(3, 2, {0xff0000, 0x00ff00, 0x0000ff, 0x000000});
   bare.image(0, 0, 3, 2).data(2, raw_codes(2, {0, 1, 2, 3, 3, 0}));
   bare.image(2, 1, 1, 1).data(2, raw_codes(2, {1})).trailer();
   const std::string tiny = scratch.write("tiny.gif", bare.bytes);
   run = gifcodec({"optimize", tiny, out});
   ASSERT_EQ(run.status, 0) << run.err;
   EXPECT_EQ(run.out.rfind(out + ": kept the input's " + std::to_string(bare.bytes.size()) +
                              " bytes as they were",
                           0),
             0u)
      << run.out;
   EXPECT_EQ(read_file(out), bare.bytes);
}

}  // namespace
