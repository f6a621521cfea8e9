// Files that giflib's gifbuild makes from text descriptions: small
// hand-drawn animations whose every pixel can be read in the test source.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "oracle.h"
#include "support/scratch.h"

using namespace oracle;

namespace {

::testing::AssertionResult build(const Scratch &scratch, const std::string &name,
                                 const std::string &text)
{
   const std::string source = scratch.path(name + ".txt");
   std::ofstream(source) << text;
   return run_ok(std::string(GIFBUILD) + " '" + source + "' > '" + scratch.path(name + ".gif") +
                 "'");
}

// A backdrop, then frames that restore, clear and keep, with a
// transparent index, an interlaced frame with its own table, and a frame
// hanging over the right and bottom edges.
const char SPRITES[] = R"(screen width 9
screen height 7
screen background 0
screen map
	rgb 10 20 30 is a
	rgb 200 100 50 is b
	rgb 0 255 0 is c
	rgb 250 250 250 is d
end
netscape loop 0
graphics control
	disposal mode 1
	delay 5
end
image
image left 0
image top 0
image bits 9 by 7
abcdabcda
bcdabcdab
cdabcdabc
dabcdabcd
abcdabcda
bcdabcdab
cdabcdabc
graphics control
	disposal mode 3
	delay 5
	transparent index 2
end
image
image left 2
image top 1
image bits 4 by 3
ddcd
dccd
dddd
graphics control
	disposal mode 2
	delay 5
end
image
image left 1
image top 2
image interlaced
image map
	rgb 1 2 3 is x
	rgb 4 5 6 is y
	rgb 70 80 90 is z
	rgb 90 80 70 is w
end
image bits 5 by 5
xyzwx
yzwxy
zwxyz
wxyzw
xyzwx
graphics control
	disposal mode 3
	delay 5
	transparent index 0
end
image
image left 6
image top 4
image bits 5 by 4
abbba
baaab
bacab
bbbbb
graphics control
	disposal mode 0
	delay 5
end
image
image left 0
image top 0
image bits 3 by 2
ccc
ddd
)";

// A two-colour global table that no frame uses: each frame brings a
// larger local one. The first frame is smaller than the screen and is
// cleared to the mask afterwards.
const char LOCAL_TABLES[] = R"(screen width 6
screen height 5
screen map
	rgb 7 7 7 is q
	rgb 8 8 8 is r
end
graphics control
	disposal mode 2
	transparent index 1
end
image
image left 1
image top 1
image map
	rgb 255 255 0 is y
	rgb 0 0 255 is u
	rgb 0 99 0 is o
	rgb 99 0 0 is p
end
image bits 3 by 2
yuo
upy
image
image left 2
image top 0
image map
	rgb 9 9 9 is k
	rgb 99 99 99 is g
	rgb 199 199 199 is l
	rgb 1 200 1 is v
	rgb 2 2 2 is e
end
image bits 4 by 5
kglv
glve
lvek
vekg
ekgl
)";

}  // namespace

TEST(GifbuildWritten, HandDrawnAnimations)
{
   Scratch scratch;
   ASSERT_TRUE(build(scratch, "sprites", SPRITES));
   EXPECT_TRUE(codec_matches_giflib(scratch.path("sprites.gif")));
   ASSERT_TRUE(build(scratch, "local", LOCAL_TABLES));
   EXPECT_TRUE(codec_matches_giflib(scratch.path("local.gif")));
}

// An ImageMagick animation dumped to text and rebuilt by giflib: the same
// frames through a second encoder.
TEST(GifbuildWritten, RebuiltFromADump)
{
   Scratch scratch;
   const std::string made = scratch.path("made.gif");
   ASSERT_TRUE(magick("-seed 4 -size 30x20 plasma: -colors 60 "
                      "-dispose Previous -page +8+6 \\( -size 12x10 xc:none -fill '#ff2000' "
                      "-draw 'circle 6 5 6 1' \\) -dispose Background -page +20+12 \\( "
                      "-seed 5 -size 15x15 plasma: -colors 5 \\) '" + made + "'"));
   ASSERT_TRUE(run_ok(std::string(GIFBUILD) + " -d '" + made + "' > '" +
                      scratch.path("dump.txt") + "'"));
   const std::string rebuilt = scratch.path("rebuilt.gif");
   ASSERT_TRUE(run_ok(std::string(GIFBUILD) + " '" + scratch.path("dump.txt") + "' > '" +
                      rebuilt + "'"));
   EXPECT_TRUE(codec_matches_giflib(made));
   EXPECT_TRUE(codec_matches_giflib(rebuilt));
}
