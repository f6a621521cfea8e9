// Parsing the blocks of a file: header, extensions, images, failures and
// their reasons.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "support/gif_test_util.h"
#include "support/memory_stream.h"
#include "support/scratch.h"

namespace {

const std::vector<uint32_t> kTwoColors = {0x102030, 0xfffefd};

// One 2x2 image of indices 0 1 / 1 0, with whatever comes before it.
GifBytes &small_image(GifBytes &gif)
{
   return gif.image(0, 0, 2, 2).data(2, raw_codes(2, {0, 1, 1, 0}));
}

// A file of that image alone.
GifBytes small_file(const char *signature = "GIF89a")
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors, 0, signature);
   small_image(gif).trailer();
   return gif;
}

TEST(GifReader, AcceptsBothSignaturesOnly)
{
   for (const char *signature : {"GIF87a", "GIF89a"}) {
      GifSequencePtr sequence = read_bytes(small_file(signature));
      ASSERT_TRUE(sequence) << signature;
      EXPECT_EQ(sequence->frame_count, 1);
   }
   for (const char *signature : {"GIF88a", "GIF87b", "GIF89", "gif89a", "PNG89a", ""})
      EXPECT_FALSE(read_bytes(small_file(signature))) << signature;
}

TEST(GifReader, ScreenDescriptorAndGlobalTable)
{
   GifBytes gif;
   gif.header(300, 7, {0x010203, 0x040506, 0x070809}, 2).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->width, 300);
   EXPECT_EQ(sequence->height, 7);
   EXPECT_EQ(sequence->background_index, 2);
   EXPECT_EQ(sequence->palette.count, 4);
   EXPECT_EQ(sequence->palette.colors[2].r, 7);
   EXPECT_EQ(sequence->palette.colors[2].b, 9);
   // Entries from the count up stay zero.
   EXPECT_EQ(sequence->palette.colors[4].r, 0);
   EXPECT_EQ(sequence->frame_count, 0);
   EXPECT_EQ(sequence->frames, nullptr);
   EXPECT_EQ(sequence->loop_count, 0);
}

TEST(GifReader, GraphicControlAppliesToTheNextImageOnly)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).control(3, 250, 1);
   small_image(gif);
   small_image(gif).control(2, 7, -1);  // after the last image: no effect
   gif.trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   ASSERT_EQ(sequence->frame_count, 2);
   EXPECT_EQ(sequence->frames[0].disposal, 3);
   EXPECT_EQ(sequence->frames[0].delay, 250);
   EXPECT_EQ(sequence->frames[0].transparent_index, 1);
   EXPECT_EQ(sequence->frames[1].disposal, 0);
   EXPECT_EQ(sequence->frames[1].delay, 0);
   EXPECT_EQ(sequence->frames[1].transparent_index, -1);
}

TEST(GifReader, LastGraphicControlBeforeAnImageWins)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).control(1, 10, 1).control(2, 20, -1);
   small_image(gif).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->frames[0].disposal, 2);
   EXPECT_EQ(sequence->frames[0].delay, 20);
   EXPECT_EQ(sequence->frames[0].transparent_index, -1);
}

TEST(GifReader, GraphicControlOfWrongSizeFailsTheFile)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).raw({0x21, 0xF9, 5, 1, 0, 0, 0, 0, 0});
   small_image(gif).trailer();
   EXPECT_FALSE(read_bytes(gif));
}

TEST(GifReader, OtherExtensionsAreSkipped)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors);
   gif.raw({0x21, 0xFE, 3}).text("abc").raw({255}).text(std::string(255, 'x')).raw({0});
   gif.raw({0x21, 0x01, 12}).text("plain text..").raw({0});  // plain text
   gif.raw({0x21, 0xFF, 11}).text("XMP DataXMP").raw({2, 0x3B, 0x2C, 0});
   gif.raw({0x21, 0xFF, 4}).text("abcd").raw({0});  // application, odd size
   gif.raw({0x21, 0xFF, 11}).text("NETSCAPE2.0").raw({4, 1, 9, 0, 0, 0});  // odd sub-block
   small_image(gif).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->frame_count, 1);
   EXPECT_EQ(sequence->loop_count, 0);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{0, 1, 1, 0}));
}

TEST(GifReader, LoopBlock)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).loop(5);
   small_image(gif).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->loop_count, 5);

   // A sub-block id other than 1 gives a loop count of 0.
   GifBytes other;
   other.header(2, 2, kTwoColors).raw({0x21, 0xFF, 11}).text("NETSCAPE2.0").raw({3, 2, 7, 0, 0});
   other.trailer();
   sequence = read_bytes(other);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->loop_count, 0);
}

TEST(GifReader, UnknownBytesBetweenBlocksArePassedOver)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).raw({0x00, 0x17, 0xFE});
   small_image(gif).raw({0x99}).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->frame_count, 1);
}

TEST(GifReader, SubBlockAfterTheEndCodeIsReadAsBlockBytes)
{
   // The data's sub-block holds the end code; the next "sub-block" is
   // not skipped whole but read byte by byte, so a trailer byte in it
   // ends the file there and what follows is never read.
   GifBytes gif;
   gif.header(2, 2, kTwoColors).image(0, 0, 2, 2).data(2, raw_codes(2, {0, 1, 1, 0}), 255, false);
   gif.raw({3, 0x01, 0x3B, 0x2C, 0});
   MemoryStream stream(gif.bytes);
   GifSequencePtr sequence(read_gif_sequence(stream.open()));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->frame_count, 1);
   EXPECT_EQ(stream.position(), gif.bytes.size() - 2);
}

TEST(GifReader, LocalTablesAndInterlacedRows)
{
   // Decoded rows 0..4 of an interlaced image land on rows 0, 4, 2, 1, 3.
   GifBytes gif;
   gif.header(1, 5).image(0, 0, 1, 5, {0, 1, 2, 3, 4, 5, 6, 7}, true);
   gif.data(3, raw_codes(3, {0, 1, 2, 3, 4})).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(sequence->palette.count, 0);
   EXPECT_EQ(sequence->frames[0].palette.count, 8);
   EXPECT_EQ(sequence->frames[0].palette.colors[5].b, 5);
   EXPECT_EQ(sequence->frames[0].interlaced, 1);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{0, 3, 2, 4, 1}));

   // Eleven rows: passes from 0 by 8, 4 by 8, 2 by 4, 1 by 2.
   std::vector<int> stored;
   for (int row : {0, 8, 4, 2, 6, 10, 1, 3, 5, 7, 9})
      stored.push_back(row);
   GifBytes tall;
   tall.header(1, 11).image(0, 0, 1, 11, {}, true).data(4, raw_codes(4, stored)).trailer();
   sequence = read_bytes(tall);
   ASSERT_TRUE(sequence);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(GifReader, EndOfFileBeforeTheTrailerFailsTheRead)
{
   GifBytes gif;
   gif.header(2, 2, kTwoColors).control(0, 0, 1);
   small_image(gif).loop(0).trailer();
   for (size_t cut = 0; cut < gif.bytes.size(); cut++) {
      GifBytes part;
      part.bytes.assign(gif.bytes.begin(), gif.bytes.begin() + long(cut));
      EXPECT_FALSE(read_bytes(part)) << "cut at " << cut;
   }
   EXPECT_TRUE(read_bytes(gif));
}

TEST(GifReader, EmptyImagesAreKeptAndHugeOnesRefused)
{
   GifBytes gif;
   gif.header(4, 4, kTwoColors).image(1, 1, 0, 3).data(2, {{4, 3}, {5, 3}});
   small_image(gif).trailer();
   GifSequencePtr sequence = read_bytes(gif);
   ASSERT_TRUE(sequence);
   ASSERT_EQ(sequence->frame_count, 2);
   EXPECT_EQ(sequence->frames[0].bitmap->w, 0);
   EXPECT_EQ(sequence->frames[0].bitmap->h, 3);

   GifBytes hugeScreen;
   hugeScreen.header(65535, 65535, kTwoColors).trailer();
   EXPECT_FALSE(read_bytes(hugeScreen));

   GifBytes hugeImage;
   hugeImage.header(2, 2, kTwoColors).image(0, 0, 20000, 20000).data(2, {{4, 3}, {5, 3}});
   hugeImage.trailer();
   EXPECT_FALSE(read_bytes(hugeImage));
}

TEST(GifReader, OpenGifSequenceReadsFilesAndRefusesMissingOnes)
{
   Scratch scratch;
   GifSequencePtr sequence(open_gif_sequence(scratch.write("a.gif", small_file().bytes).c_str()));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{0, 1, 1, 0}));
   std::string problem;
   EXPECT_EQ(open_gif_sequence(scratch.path("missing.gif").c_str(), &problem), nullptr);
   EXPECT_EQ(problem, strerror(ENOENT));
   EXPECT_EQ(open_gif_sequence(scratch.path("").c_str(), &problem), nullptr);
   EXPECT_EQ(problem, strerror(EISDIR));

   // "art.dat#name" names an object of an Allegro datafile, as it does
   // for the library's own loaders: here the file as object "title".
   const std::vector<unsigned char> bytes = small_file().bytes;
   PACKFILE *datafile = pack_fopen(scratch.path("art.dat").c_str(), F_WRITE_NOPACK);
   ASSERT_TRUE(datafile);
   pack_mputl(DAT_MAGIC, datafile);
   pack_mputl(1, datafile);  // objects
   pack_mputl(DAT_PROPERTY, datafile);
   pack_mputl(DAT_NAME, datafile);
   pack_mputl(5, datafile);
   pack_fwrite("title", 5, datafile);
   pack_mputl(DAT_ID('G', 'I', 'F', ' '), datafile);
   pack_mputl(long(bytes.size()), datafile);  // stored, then unpacked size
   pack_mputl(long(bytes.size()), datafile);
   pack_fwrite(bytes.data(), long(bytes.size()), datafile);
   pack_fclose(datafile);
   GifSequencePtr object(open_gif_sequence(scratch.path("art.dat#title").c_str()));
   ASSERT_TRUE(object);
   EXPECT_EQ(indices(object->frames[0]), (std::vector<int>{0, 1, 1, 0}));
}

// The bytes of `gif` less its last `dropped`.
GifBytes cut(GifBytes gif, size_t dropped)
{
   gif.bytes.resize(gif.bytes.size() - dropped);
   return gif;
}

// Each failure gives its reason and where the file holds the fault, in
// one line; a success gives none.
TEST(GifReader, EachFailureHasItsReason)
{
   GifBytes two;
   two.header(2, 2, kTwoColors);
   small_image(two);
   small_image(two).trailer();
   GifBytes none;
   none.header(2, 2, kTwoColors).trailer();
   GifBytes shortSignature;
   shortSignature.text("GIF8");
   GifBytes png;
   png.header(2, 2, kTwoColors, 0, "PNG89a").trailer();
   GifBytes control5;
   control5.header(2, 2, kTwoColors);
   small_image(control5).raw({0x21, 0xF9, 5, 1, 0, 0, 0, 0, 0});
   small_image(control5).trailer();
   GifBytes noEnd;
   // Four of five pixels in two whole bytes: no bits are left for a code.
   noEnd.header(5, 1, kTwoColors).image(0, 0, 5, 1);
   noEnd.data(2, {{4, 3}, {1, 3}, {0, 3}, {1, 3}, {0, 4}}).trailer();
   // Eleven roots fill the dictionary to 16 entries, so the end code is
   // read at 5 bits; the data holds only its low 4 bits and ends on a
   // byte boundary, after the last pixel.
   std::vector<Code> cutCodes = {{4, 3}};
   for (int k = 0; k < 11; k++)
      cutCodes.push_back({k % 2, k < 3 ? 3 : 4});
   cutCodes.push_back({5, 4});
   GifBytes cutEnd;
   cutEnd.header(11, 1, kTwoColors).image(0, 0, 11, 1).data(2, cutCodes).trailer();
   GifBytes codeSize12;
   codeSize12.header(1, 1, kTwoColors).image(0, 0, 1, 1);
   codeSize12.data(12, {{4096, 13}, {0, 13}, {4097, 13}}).trailer();
   GifBytes undefined;
   undefined.header(4, 1, kTwoColors).image(0, 0, 4, 1);
   undefined.data(2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}}).trailer();
   GifBytes hugeScreen;
   hugeScreen.header(65535, 65535, kTwoColors).trailer();
   GifBytes hugeImage;
   hugeImage.header(2, 2, kTwoColors);
   small_image(hugeImage).image(0, 0, 20000, 20000).data(2, {{4, 3}, {5, 3}}).trailer();

   const struct {
      const char *name;
      GifBytes gif;
      std::string message;  // empty when it is read
      const char *loaded = nullptr;  // what load_gif_bitmap says, when it is another
   } cases[] = {
      {"two frames", two, ""},
      {"no image", none, "", "no image to show"},
      {"empty", GifBytes(), "not a GIF file"},
      {"short signature", shortSignature, "not a GIF file"},
      {"PNG signature", png, "not a GIF file"},
      {"table cut", cut(none, 3), "truncated: the file ends in the header"},
      {"no trailer, no image", cut(none, 1), "truncated: the file ends before the first image"},
      {"no trailer", cut(two, 1), "truncated: the file ends after frame 1"},
      {"data cut", cut(two, 3), "truncated: the file ends in frame 1"},
      {"control of 5 bytes", control5, "a graphic control block of the wrong size after frame 0"},
      {"no end code", noEnd, "image data stops before its end code in frame 0"},
      {"end code cut after the last pixel", cutEnd, ""},
      {"code size 12", codeSize12, "an LZW minimum code size above 11 in frame 0"},
      {"undefined code", undefined, "an undefined LZW code in frame 0"},
      {"huge screen", hugeScreen, "a picture over 2^28 pixels in the header"},
      {"huge image", hugeImage, "a picture over 2^28 pixels in frame 1"},
   };
   Scratch scratch;
   for (const auto &c : cases) {
      SCOPED_TRACE(c.name);
      std::string problem;
      EXPECT_EQ(bool(read_bytes(c.gif, &problem)), c.message.empty());
      EXPECT_EQ(problem, c.message);

      const std::string file = scratch.write("case.gif", c.gif.bytes);
      std::string loading;
      const BitmapPtr bitmap(load_gif_bitmap(file.c_str(), nullptr, &loading));
      const std::string loaded = c.loaded ? c.loaded : c.message;
      EXPECT_EQ(bool(bitmap), loaded.empty());
      EXPECT_EQ(loading, loaded);
   }
}

TEST(GifReader, ParseLeavesTheStreamOpen)
{
   MemoryStream stream(small_file().raw({0x42}).bytes);
   PACKFILE *file = stream.open();
   GifSequencePtr sequence(parse_gif_sequence(file));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(stream.closes(), 0);
   EXPECT_EQ(pack_getc(file), 0x42);
   pack_fclose(file);
}

}  // namespace
