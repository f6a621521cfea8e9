// The codec through the library's own calls once registered: bitmap
// loading and saving by extension, and "GIF " objects in datafiles.
#include <gtest/gtest.h>

#include "support/gif_test_util.h"
#include "support/scratch.h"

namespace {

using Bytes = std::vector<unsigned char>;

class GifRegistration : public testing::Test {
protected:
   static void SetUpTestSuite() { register_gif_type(); }
};

void put_long(Bytes &out, uint32_t value)
{
   for (int shift = 24; shift >= 0; shift -= 8)
      out.push_back(uint8_t(value >> shift));
}

// An uncompressed datafile: each object with a name property.
Bytes datafile(const std::vector<std::pair<uint32_t, Bytes>> &objects)
{
   Bytes out;
   put_long(out, uint32_t(F_NOPACK_MAGIC));
   put_long(out, uint32_t(DAT_MAGIC));
   put_long(out, uint32_t(objects.size()));
   char name = 'a';
   for (const auto &object : objects) {
      put_long(out, uint32_t(DAT_PROPERTY));
      put_long(out, uint32_t(DAT_NAME));
      put_long(out, 1);
      out.push_back(uint8_t(name++));
      put_long(out, object.first);
      put_long(out, uint32_t(object.second.size()));
      put_long(out, uint32_t(object.second.size()));
      out.insert(out.end(), object.second.begin(), object.second.end());
   }
   return out;
}

TEST_F(GifRegistration, SaveBitmapAndLoadBitmapGoThroughTheCodec)
{
   Scratch scratch;
   BitmapPtr picture(create_bitmap_ex(8, 3, 2));
   const int values[] = {0, 1, 2, 2, 1, 0};
   for (int i = 0; i < 6; i++)
      putpixel(picture.get(), i % 3, i / 3, values[i]);
   PALETTE palette;
   memset(palette, 0, sizeof palette);
   palette[1] = RGB{63, 32, 0, 0};
   palette[2] = RGB{0, 0, 21, 0};
   const std::string file = scratch.path("x.gif");
   ASSERT_EQ(save_bitmap(file.c_str(), picture.get(), palette), 0);

   const Bytes bytes = read_file(file);
   ASSERT_GT(bytes.size(), 6u);
   EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");

   PALETTE loaded;
   BitmapPtr back(load_bitmap(file.c_str(), loaded));
   ASSERT_TRUE(back);
   EXPECT_EQ(bitmap_color_depth(back.get()), 32);
   EXPECT_EQ(rgb_at(back.get(), 0, 0), 0x000000);
   EXPECT_EQ(rgb_at(back.get(), 1, 0), (_rgb_scale_6[63] << 16) | (_rgb_scale_6[32] << 8));
   EXPECT_EQ(rgb_at(back.get(), 2, 0), _rgb_scale_6[21]);
   EXPECT_EQ(loaded[1].r, 63);
   EXPECT_EQ(loaded[1].g, 32);
   EXPECT_EQ(loaded[2].b, 21);
}

TEST_F(GifRegistration, DatafileObjectsLoadAsSequencesAndLeaveTheStreamToTheLibrary)
{
   GifBytes gif;
   gif.header(2, 1, {0x112233, 0x445566}).loop(4).image(0, 0, 2, 1);
   gif.data(2, raw_codes(2, {1, 0})).trailer();
   Bytes object = gif.bytes;
   object.insert(object.end(), {0xde, 0xad});  // padding the parser never reads
   const Bytes after = {'n', 'e', 'x', 't'};

   Scratch scratch;
   const std::string file =
      scratch.write("x.dat", datafile({{GIF_DATAFILE_TYPE, object}, {DAT_DATA, after}}));
   DATAFILE *data = load_datafile(file.c_str());
   ASSERT_NE(data, nullptr);
   ASSERT_EQ(data[0].type, GIF_DATAFILE_TYPE);
   const GifSequence *sequence = static_cast<const GifSequence *>(data[0].dat);
   EXPECT_EQ(sequence->width, 2);
   EXPECT_EQ(sequence->loop_count, 4);
   ASSERT_EQ(sequence->frame_count, 1);
   EXPECT_EQ(indices(sequence->frames[0]), (std::vector<int>{1, 0}));
   // The object after it is read from where the library left off.
   ASSERT_EQ(data[1].type, DAT_DATA);
   ASSERT_EQ(data[1].size, 4);
   EXPECT_EQ(memcmp(data[1].dat, after.data(), 4), 0);
   unload_datafile(data);
}

TEST_F(GifRegistration, DamagedDatafileObjectLoadsAsAnEmptySequence)
{
   // The library frees memory twice when an object loader fails, so a
   // damaged GIF object must not fail; it comes out without a screen or
   // frames, and the objects after it still load.
   GifBytes gif;
   gif.header(2, 1, {0x112233, 0x445566}).image(0, 0, 2, 1).data(2, {{4, 3}, {1, 3}});
   Scratch scratch;
   const std::string file =
      scratch.write("x.dat", datafile({{GIF_DATAFILE_TYPE, gif.bytes}, {DAT_DATA, {'o', 'k'}}}));
   DATAFILE *data = load_datafile(file.c_str());
   ASSERT_NE(data, nullptr);
   const GifSequence *sequence = static_cast<const GifSequence *>(data[0].dat);
   EXPECT_EQ(sequence->width, 0);
   EXPECT_EQ(sequence->frame_count, 0);
   EXPECT_EQ(data[1].size, 2);
   unload_datafile(data);
}

}  // namespace
