// Image data decoding: code widths, the dictionary and its limits, and the
// ways data can be invalid.
#include <gtest/gtest.h>

#include "support/gif_test_util.h"

namespace {

const std::vector<uint32_t> kFourColors = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};

// A one-image file of w x h whose data is the given codes.
GifBytes image_of(int w, int h, int minCodeSize, const std::vector<Code> &codes)
{
   GifBytes gif;
   gif.header(w, h, kFourColors).image(0, 0, w, h).data(minCodeSize, codes).trailer();
   return gif;
}

std::vector<int> decoded(const GifBytes &gif)
{
   GifSequencePtr sequence = read_bytes(gif);
   if (!sequence || sequence->frame_count != 1)
      return {};
   return indices(sequence->frames[0]);
}

// Codes of roots only, with the width the decoder is expected to use for
// each: m + 1 after a clear code, one more whenever the next free code
// reaches 2^width, never above 12, no growth once all 4096 codes exist.
std::vector<Code> roots_with_growing_width(int minCodeSize, const std::vector<int> &pixels)
{
   const int clear = 1 << minCodeSize;
   int width = minCodeSize + 1;
   int nextFree = clear + 2;
   std::vector<Code> codes = {{clear, width}};
   for (size_t i = 0; i < pixels.size(); i++) {
      codes.push_back({pixels[i], width});
      if (i > 0 && nextFree < 4096)
         nextFree++;
      if (nextFree == (1 << width) && width < 12)
         width++;
   }
   codes.push_back({clear + 1, width});
   return codes;
}

TEST(LzwDecoder, RootsAndStringsRebuildThePixels)
{
   // 1, 1, then code 6 = "1 1" (defined by the second code), then 3; the
   // entry that code 6 defines makes the next free code 8, so 3 is read
   // at 4 bits.
   EXPECT_EQ(decoded(image_of(5, 1, 2, {{4, 3}, {1, 3}, {1, 3}, {6, 3}, {3, 4}, {5, 4}})),
             (std::vector<int>{1, 1, 1, 1, 3}));
}

TEST(LzwDecoder, CodeEqualToNextFreeIsPreviousStringAndItsFirstPixel)
{
   // After 2, code 6 is not yet defined: it stands for "2 2".
   EXPECT_EQ(decoded(image_of(3, 1, 2, {{4, 3}, {2, 3}, {6, 3}, {5, 3}})),
             (std::vector<int>{2, 2, 2}));
   // After a longer string: 1, 2 define 6 = "1 2"; 6 defines 7 = "2 1";
   // 8 is the next free code, so it stands for "1 2" + "1".
   EXPECT_EQ(decoded(image_of(7, 1, 2, {{4, 3}, {1, 3}, {2, 3}, {6, 3}, {8, 4}, {5, 4}})),
             (std::vector<int>{1, 2, 1, 2, 1, 2, 1}));
}

TEST(LzwDecoder, WidthGrowsWhenNextFreeCodeReachesPowerOfTwo)
{
   // Minimum code size 8: 9 bits until the entry that makes the next
   // free code 512 is defined, then 10 bits, and so on up to 12.
   std::vector<int> pixels;
   for (int i = 0; i < 4000; i++)
      pixels.push_back((i * 7 + i / 13) % 256);
   const std::vector<Code> codes = roots_with_growing_width(8, pixels);
   EXPECT_EQ(codes[255].width, 9);
   EXPECT_EQ(codes[256].width, 10);
   EXPECT_EQ(codes.back().width, 12);
   EXPECT_EQ(decoded(image_of(4000, 1, 8, codes)), pixels);
}

TEST(LzwDecoder, FullDictionaryKeepsDecodingAtTwelveBits)
{
   // 6000 roots without a clear code: the dictionary fills at 4096 codes
   // and the rest are read at 12 bits without defining new entries.
   std::vector<int> pixels;
   for (int i = 0; i < 6000; i++)
      pixels.push_back((i * 5 + i / 7) % 4);
   EXPECT_EQ(decoded(image_of(6000, 1, 2, roots_with_growing_width(2, pixels))), pixels);

   // The last entry, 4095, stays usable once the table is full.
   std::vector<Code> codes = roots_with_growing_width(2, std::vector<int>(4091, 0));
   codes.back() = {4095, 12};
   codes.push_back({5, 12});
   const std::vector<int> out = decoded(image_of(4091 + 2, 1, 2, codes));
   ASSERT_EQ(out.size(), 4093u);
   EXPECT_EQ(out, std::vector<int>(4093, 0));
}

TEST(LzwDecoder, ClearCodeResetsWidthAndDictionary)
{
   std::vector<int> pixels(600);
   for (size_t i = 0; i < pixels.size(); i++)
      pixels[i] = int(i % 3);
   std::vector<Code> codes = roots_with_growing_width(2, pixels);
   const int width = codes.back().width;  // the end code's
   codes.pop_back();
   ASSERT_GT(width, 3);
   // After the clear, 7 is the next free code again: "3" + "3", not the
   // entry it held before.
   codes.push_back({4, width});
   codes.push_back({3, 3});
   codes.push_back({3, 3});
   codes.push_back({7, 3});
   codes.push_back({5, 4});
   pixels.insert(pixels.end(), {3, 3, 3, 3});
   EXPECT_EQ(decoded(image_of(604, 1, 2, codes)), pixels);
}

TEST(LzwDecoder, StreamWithoutLeadingClearCodeIsDecodedAsData)
{
   EXPECT_EQ(decoded(image_of(3, 1, 2, {{2, 3}, {3, 3}, {1, 3}, {5, 3}})),
             (std::vector<int>{2, 3, 1}));
}

TEST(LzwDecoder, InvalidCodesFailTheRead)
{
   // A code above the next free code.
   EXPECT_FALSE(read_bytes(image_of(4, 1, 2, {{4, 3}, {1, 3}, {7, 3}, {5, 3}})));
   // The next free code with no previous string, right after a clear code
   // or at the start.
   EXPECT_FALSE(read_bytes(image_of(4, 1, 2, {{4, 3}, {6, 3}, {5, 3}})));
   EXPECT_FALSE(read_bytes(image_of(4, 1, 2, {{6, 3}, {5, 3}})));
   // Minimum code sizes whose roots do not fit the dictionary.
   EXPECT_FALSE(read_bytes(image_of(1, 1, 12, {{4096, 13}, {0, 13}, {4097, 13}})));
}

TEST(LzwDecoder, MinimumCodeSizeElevenKeepsLowByteOfRoots)
{
   EXPECT_EQ(decoded(image_of(2, 1, 11, {{2048, 12}, {0x1ff, 12}, {7, 12}, {2049, 12}})),
             (std::vector<int>{0xff, 7}));
}

TEST(LzwDecoder, DataEndingBeforeItsEndCodeFailsTheRead)
{
   // A zero-length sub-block before the end code and the last pixel,
   // with no bits left over for another code.
   GifBytes noEnd = image_of(5, 1, 2, {{4, 3}, {1, 3}, {2, 3}, {3, 3}, {0, 4}});
   EXPECT_FALSE(read_bytes(noEnd));
   // The file ending inside the data.
   GifBytes cut = image_of(2, 1, 2, {{4, 3}, {1, 3}, {2, 3}, {5, 3}});
   cut.bytes.resize(cut.bytes.size() - 4);
   EXPECT_FALSE(read_bytes(cut));
}

TEST(LzwDecoder, CodesRunAcrossSubBlocks)
{
   std::vector<int> pixels(300);
   for (size_t i = 0; i < pixels.size(); i++)
      pixels[i] = int(i * 7 % 4);
   GifBytes gif;
   gif.header(300, 1, kFourColors).image(0, 0, 300, 1).data(2, raw_codes(2, pixels), 1).trailer();
   EXPECT_EQ(decoded(gif), pixels);
}

TEST(LzwDecoder, ShortDataLeavesTheRestZeroAndCountsIt)
{
   GifSequencePtr sequence = read_bytes(image_of(3, 2, 2, raw_codes(2, {1, 2, 3, 1})));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{1, 2, 3, 1, 0, 0}));
   EXPECT_EQ(sequence->frames[0].missing_pixels, 2);
}

TEST(LzwDecoder, DataBeyondTheImageIsDropped)
{
   GifSequencePtr sequence = read_bytes(image_of(2, 2, 2, raw_codes(2, {1, 2, 3, 1, 2, 2, 2, 3})));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{1, 2, 3, 1}));
   EXPECT_EQ(sequence->frames[0].missing_pixels, 0);
   // Long strings that cross the end are cut there too.
   GifSequencePtr longer =
      read_bytes(image_of(3, 1, 2, {{4, 3}, {2, 3}, {6, 3}, {7, 3}, {8, 4}, {5, 4}}));
   ASSERT_TRUE(longer);
   EXPECT_EQ(indices(longer->frames[0]), (std::vector<int>{2, 2, 2}));
}

}  // namespace
