// The built gifcodec program's "decode" against the oracle: every frame
// of a few animations, as PAM files.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

// The PAM must hold the picture exactly: mask pixels as alpha 0 with
// colour 0, all others opaque.
::testing::AssertionResult pam_shows(const std::string &path, const Picture &expected)
{
   Pam pam;
   std::string error;
   if (!read_pam(path, &pam, &error))
      return ::testing::AssertionFailure() << error;
   if (pam.tupltype != "RGB_ALPHA" || pam.channels != 4)
      return ::testing::AssertionFailure() << path << ": TUPLTYPE " << pam.tupltype
                                           << ", DEPTH " << pam.channels;
   if (pam.width != expected.width || pam.height != expected.height)
      return ::testing::AssertionFailure() << path << ": " << pam.width << "x" << pam.height
                                           << " instead of " << expected.width << "x"
                                           << expected.height;
   long wrong = 0;
   std::ostringstream first;
   for (int y = 0; y < pam.height; y++)
      for (int x = 0; x < pam.width; x++) {
         const unsigned char *s = &pam.samples[(size_t(y) * pam.width + x) * 4];
         const int want = expected.at(x, y);
         const bool ok = want == MASK ? s[0] == 0 && s[1] == 0 && s[2] == 0 && s[3] == 0
                                      : s[0] == (want >> 16) && s[1] == (want >> 8 & 255) &&
                                           s[2] == (want & 255) && s[3] == 255;
         if (!ok && wrong++ < 3)
            first << " (" << x << "," << y << ") is " << int(s[0]) << "," << int(s[1]) << ","
                  << int(s[2]) << "," << int(s[3]) << ";";
      }
   if (wrong)
      return ::testing::AssertionFailure() << path << ": " << wrong << " wrong pixel(s):"
                                           << first.str();
   return ::testing::AssertionSuccess();
}

void check_every_frame(const Scratch &scratch, const std::string &gif)
{
   const std::vector<Picture> expected = reference_frames(gif);
   ASSERT_FALSE(expected.empty());
   const std::string tool = std::string(GIFCODEC) + " decode '" + gif + "' ";
   for (size_t i = 0; i < expected.size(); i++) {
      SCOPED_TRACE("frame " + std::to_string(i));
      const std::string out = scratch.path("frame-" + std::to_string(i) + ".pam");
      ASSERT_TRUE(run_ok(tool + "'" + out + "' --frame " + std::to_string(i)));
      EXPECT_TRUE(pam_shows(out, expected[i]));
   }
   // Without --frame it composes them all.
   ASSERT_TRUE(run_ok(tool + "'" + scratch.path("all.pam") + "'"));
   EXPECT_TRUE(pam_shows(scratch.path("all.pam"), expected.back()));
   // One past the last frame is refused and writes nothing.
   const std::string past = scratch.path("past.pam");
   EXPECT_EQ(run(tool + "'" + past + "' --frame " + std::to_string(expected.size())), 1);
   EXPECT_FALSE(file_exists(past));
}

}  // namespace

TEST(GifcodecTool, DecodesEveryFrameLikeTheOracle)
{
   Scratch scratch;
   // ImageMagick's optimiser picks sub-rectangles, transparency and
   // disposals, here on a screen that the first frame does not fill.
   const std::string optimised = scratch.path("optimised.gif");
   std::string frames;
   for (int k = 0; k < 4; k++)
      frames += " \\( -size 40x28 xc:none -fill '#" + std::string(k % 2 ? "c04010" : "1040c0") +
                "' -draw 'rectangle " + std::to_string(5 * k) + " " + std::to_string(3 * k) +
                " " + std::to_string(5 * k + 12) + " " + std::to_string(3 * k + 9) + "' \\)";
   ASSERT_TRUE(magick(frames + " -layers OptimizePlus '" + optimised + "'"));
   check_every_frame(scratch, optimised);

   // giflib-written: interlaced, local tables, disposals 2 and 3, a frame
   // past the screen's edge and indices past its table.
   std::mt19937 rng(31);
   GifPlan plan(25, 19, random_table(rng, 8));
   const int layout[][5] = {{0, 0, 25, 19, 1}, {4, 3, 10, 8, 3}, {15, 10, 14, 12, 2},
                            {2, 12, 9, 5, 3}, {0, 0, 6, 6, 0}};
   for (int k = 0; k < 5; k++) {
      const int *l = layout[k];
      FramePlan f =
         with_control(frame_at(rng, l[0], l[1], l[2], l[3], k == 2 ? 4 : 8), l[4], k ? 1 : -1);
      f.interlaced = k % 2 == 1;
      if (k == 2)
         f.local = random_table(rng, 2);
      plan.frames.push_back(f);
   }
   check_every_frame(scratch, write_with_giflib(scratch.path("written.gif"), plan));
}

// A colour-mapped TGA, top row first (ImageMagick 6 writes its rows in the
// opposite order to the one its header gives), RLE-coded in one-pixel
// packets, repeated and raw in turn.
std::vector<unsigned char> tga(int w, int h, const std::vector<uint32_t> &colors,
                               const std::vector<unsigned char> &indices)
{
   std::vector<unsigned char> out = {0, 1, 9, 0, 0, uint8_t(colors.size()), uint8_t(colors.size() >> 8),
                                     24, 0, 0, 0, 0, uint8_t(w), uint8_t(w >> 8), uint8_t(h),
                                     uint8_t(h >> 8), 8, 0x20};
   for (uint32_t c : colors)
      out.insert(out.end(), {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16)});
   for (size_t i = 0; i < indices.size(); i++)
      out.insert(out.end(), {uint8_t(i % 2 ? 0x00 : 0x80), indices[i]});
   return out;
}

// An 8-bit BMP, PCX or TGA keeps its palette's colours to the last bit:
// every component of the test's colours has its low two bits set, which a
// 6-bit palette would lose. ImageMagick writes most inputs and reads the
// GIFs.
TEST(GifcodecTool, EightBitFilesKeepTheirExactPalettes)
{
   Scratch scratch;
   std::mt19937 rng(12);
   std::vector<uint32_t> colors;
   while (colors.size() < 200) {
      const uint32_t c = (rng() & 0xFFFFFF) | 0x030303;
      if (std::find(colors.begin(), colors.end(), c) == colors.end())
         colors.push_back(c);
   }
   Picture expected;
   expected.width = 37;
   expected.height = 23;
   std::vector<unsigned char> indices;
   std::vector<uint32_t> rgb;
   for (int i = 0; i < expected.width * expected.height; i++) {
      indices.push_back(uint8_t(i < 200 ? i : rng() % 200));
      rgb.push_back(colors[indices.back()]);
   }
   expected.pixels.assign(rgb.begin(), rgb.end());
   const std::string ppm = scratch.path("in.ppm");
   write_ppm(ppm, expected.width, expected.height, rgb);
   scratch.write("in.tga", tga(expected.width, expected.height, colors, indices));

   // ImageMagick's options for the format (none: written above), and
   // where the file says that it is 8-bit palettised.
   const struct {
      std::string name, format;
      size_t bitsAt;
   } inputs[] = {{"in.bmp", "-compress None BMP3", 28},
                 {"rle8.bmp", "-compress RLE BMP3", 28},
                 {"in.pcx", "PCX", 3},
                 {"in.tga", "", 16}};
   for (const auto &input : inputs) {
      SCOPED_TRACE(input.name);
      const std::string in = scratch.path(input.name);
      if (!input.format.empty()) {
         ASSERT_TRUE(magick("'" + ppm + "' -type Palette " + input.format + ":'" + in + "'"));
      }
      ASSERT_EQ(read_file(in).at(input.bitsAt), 8);
      const std::string gif = scratch.path(input.name + ".gif");
      ASSERT_TRUE(run_ok(std::string(GIFCODEC) + " encode '" + in + "' '" + gif + "'"));
      Picture back;
      ASSERT_TRUE(imagemagick_decoding(gif, scratch.path("back.pam"), &back));
      EXPECT_TRUE(same_picture(expected, back, input.name + " through gifcodec"));
   }
}
