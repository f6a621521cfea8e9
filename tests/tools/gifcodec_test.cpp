// The gifcodec command line, run in-process: its report, its PAM output,
// and its one-line failures that leave no file behind.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "gif_bytes.h"
#include "gifcodec.h"
#include "scratch.h"

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

TEST(Gifcodec, InfoDescribesTheFileAndEachFrame)
{
   Scratch scratch;
   const std::string file = scratch.write("a.gif", two_frames());
   const ToolRun run = gifcodec({"info", file});
   EXPECT_EQ(run.status, 0);
   EXPECT_EQ(run.err, "");
   EXPECT_EQ(run.out, file + ": screen 3x2, background 1, global table 4, loop 3, frames 2\n"
                             "frame 0: at 0,0 size 3x2, local table 0, delay 40, disposal 2, "
                             "transparent -1, interlaced no\n"
                             "frame 1: at 2,1 size 1x1, local table 2, delay 7, disposal 0, "
                             "transparent 1, interlaced yes\n");
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
   EXPECT_EQ(run.err, "gifcodec: " + truncated + ": not a GIF file, or damaged or truncated\n");

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
                                              {"frobnicate", good}}) {
      run = gifcodec(args);
      EXPECT_EQ(run.status, 1);
      EXPECT_NE(run.err, "");
   }
   EXPECT_FALSE(file_exists(out));
}

}  // namespace
