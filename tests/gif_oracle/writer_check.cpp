#include "writer_check.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <unordered_map>

#include "oracle.h"
#include "support/scratch.h"

namespace writer_check {

namespace {

using oracle::compare_entries;
using oracle::describe;
using oracle::frame_indices;
using oracle::giflib_entries;
using oracle::index_difference;
using oracle::Picture;
using oracle::Problems;
using oracle::quoted;
using oracle::table_entries;

std::string str(long n)
{
   return std::to_string(n);
}

// The entries a table is written with: rounded up to a power of two from
// 2, padded with black; none for count 0.
std::vector<uint32_t> written_entries(const ColorTable &table)
{
   std::vector<uint32_t> entries;
   if (table.count <= 0)
      return entries;
   int size = 2;
   while (size < table.count)
      size *= 2;
   for (int k = 0; k < size; k++) {
      const GifColor &c = table.colors[k];
      entries.push_back(k < table.count ? uint32_t(c.r << 16 | c.g << 8 | c.b) : 0u);
   }
   return entries;
}

// The extension blocks giflib attaches to an image (or, after the last
// image, to the file), described for messages.
std::string describe_blocks(int count, const ExtensionBlock *blocks)
{
   std::ostringstream text;
   for (int k = 0; k < count; k++)
      text << " [function " << blocks[k].Function << ", " << blocks[k].ByteCount << " bytes]";
   return text.str();
}

// Checks the blocks before frame i: the loop block first when one was
// written (the application block and its data sub-block), then exactly
// one control extension, which giflib decodes into `gcb`.
void check_extensions(const SavedImage &image, int i, const GifSequence &written,
                      Problems *problems)
{
   const int count = image.ExtensionBlockCount;
   const ExtensionBlock *blocks = image.ExtensionBlocks;
   const std::string name = "frame " + str(i);
   int at = 0;
   if (i == 0 && written.loop_count != -1) {
      const bool ok = count >= 2 && blocks[0].Function == APPLICATION_EXT_FUNC_CODE &&
                      blocks[0].ByteCount == 11 &&
                      memcmp(blocks[0].Bytes, "NETSCAPE2.0", 11) == 0 &&
                      blocks[1].Function == CONTINUE_EXT_FUNC_CODE && blocks[1].ByteCount == 3 &&
                      blocks[1].Bytes[0] == 1;
      if (!ok) {
         problems->add("no NETSCAPE2.0 loop block before frame 0; giflib sees" +
                       describe_blocks(count, blocks));
         return;
      }
      const int loop = blocks[1].Bytes[1] | blocks[1].Bytes[2] << 8;
      if (loop != written.loop_count)
         problems->add("loop count " + str(loop) + ", written " + str(written.loop_count));
      at = 2;
   }
   if (count - at != 1 || blocks[at].Function != GRAPHICS_EXT_FUNC_CODE) {
      problems->add(name + ": expected one control extension, giflib sees" +
                    describe_blocks(count, blocks));
      return;
   }
   GraphicsControlBlock gcb;
   if (blocks[at].ByteCount != 4 ||
       DGifExtensionToGCB(blocks[at].ByteCount, blocks[at].Bytes, &gcb) == GIF_ERROR) {
      problems->add(name + ": control extension of " + str(blocks[at].ByteCount) + " bytes");
      return;
   }
   const GifFrame &f = written.frames[i];
   std::ostringstream want, got;
   want << "disposal " << f.disposal << " delay " << f.delay << " transparent "
        << f.transparent_index << " user input 0";
   got << "disposal " << gcb.DisposalMode << " delay " << gcb.DelayTime << " transparent "
       << gcb.TransparentColor << " user input " << int(gcb.UserInputFlag);
   if (want.str() != got.str())
      problems->add(name + ": giflib reads " + got.str() + ", written " + want.str());
}

// ---------------------------------------------------------------------------
// The strict walk.

class ByteReader {
public:
   explicit ByteReader(const std::vector<unsigned char> &bytes) : b_(bytes) {}
   bool has(size_t n) const { return at_ + n <= b_.size(); }
   int byte() { return b_[at_++]; }
   int word()
   {
      const int lo = b_[at_], hi = b_[at_ + 1];
      at_ += 2;
      return lo | hi << 8;
   }
   size_t at() const { return at_; }
   size_t size() const { return b_.size(); }
   void skip(size_t n) { at_ += n; }
   const unsigned char *here() const { return b_.data() + at_; }

private:
   const std::vector<unsigned char> &b_;
   size_t at_ = 0;
};

// Reads sub-blocks up to and including the terminator; false when the
// file ends first.
bool read_sub_blocks(ByteReader &in, std::vector<unsigned char> *data, int *last_block)
{
   while (in.has(1)) {
      const int n = in.byte();
      if (n == 0)
         return true;
      if (!in.has(size_t(n)))
         return false;
      if (data)
         data->insert(data->end(), in.here(), in.here() + n);
      if (last_block)
         *last_block = n;
      in.skip(size_t(n));
   }
   return false;
}

// Follows the codes as a decoder does, counting pixels by the lengths of
// the strings the dictionary holds.
void walk_codes(const std::vector<unsigned char> &data, int m, long pixels_wanted,
                const std::string &name, ImageFacts *facts, Problems *problems)
{
   const long total_bits = long(data.size()) * 8;
   long bit = 0;
   auto get = [&](int n) -> int {
      if (bit + n > total_bits)
         return -1;
      int v = 0;
      for (int k = 0; k < n; k++, bit++)
         v |= (data[size_t(bit >> 3)] >> (bit & 7) & 1) << k;
      return v;
   };
   const int clear = 1 << m, end = clear + 1;
   int width = m + 1, next = clear + 2, prev = -1;
   bool started = false;
   std::vector<long> length(4096, 1);
   long pixels = 0;
   for (;;) {
      const int code = get(width);
      if (code < 0) {
         problems->add(name + ": data ends before the end code, after " + str(pixels) + " of " +
                       str(pixels_wanted) + " pixels");
         return;
      }
      if (code == clear) {
         if (started)
            facts->clears++;
         width = m + 1;
         next = clear + 2;
         prev = -1;
         facts->widened_by_last_code = false;
         continue;
      }
      started = true;
      if (code == end) {
         if (pixels != pixels_wanted)
            problems->add(name + ": end code after " + str(pixels) + " of " +
                          str(pixels_wanted) + " pixels");
         facts->end_width = width;
         facts->entries_at_end = next;
         const long used = (bit + 7) / 8;
         if (used != long(data.size()))
            problems->add(name + ": " + str(long(data.size()) - used) +
                          " data byte(s) after the end code");
         return;
      }
      long n;
      if (prev < 0) {
         if (code >= clear) {
            problems->add(name + ": code " + str(code) + " after a clear is not a root");
            return;
         }
         n = 1;
      } else {
         if (code < next)
            n = length[size_t(code)];
         else if (code == next && next < 4096)
            n = length[size_t(prev)] + 1;
         else {
            problems->add(name + ": code " + str(code) + " past the dictionary's " + str(next));
            return;
         }
      }
      facts->largest_code = std::max(facts->largest_code, code);
      facts->widened_by_last_code = false;
      if (prev >= 0 && next < 4096) {
         length[size_t(next)] = length[size_t(prev)] + 1;
         next++;
         if (next == 1 << width && width < 12) {
            width++;
            facts->widened_by_last_code = true;
         }
      }
      pixels += n;
      if (pixels > pixels_wanted) {
         problems->add(name + ": data holds more than its " + str(pixels_wanted) + " pixels");
         return;
      }
      prev = code;
   }
}

}  // namespace

// ---------------------------------------------------------------------------

Sequence::Sequence(int width, int height, const std::vector<uint32_t> &global, int loop,
                   int background)
{
   memset(&record_, 0, sizeof record_);
   record_.width = width;
   record_.height = height;
   record_.loop_count = loop;
   record_.background_index = background;
   record_.palette = gif_color_table(global);
}

Sequence::~Sequence()
{
   for (GifFrame &f : frames_)
      destroy_bitmap(f.bitmap);
   if (record_.saved_area)
      destroy_bitmap(record_.saved_area);
}

GifFrame &Sequence::add(int x, int y, int width, int height,
                        const std::vector<unsigned char> &pixels,
                        const std::vector<uint32_t> &local)
{
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.bitmap = create_bitmap_ex(8, width, height);
   if (!frame.bitmap)
      throw std::runtime_error("no memory for a frame");
   for (int r = 0; r < height; r++)
      memcpy(frame.bitmap->line[r], &pixels[size_t(r) * width], size_t(width));
   frame.palette = gif_color_table(local);
   frame.x = x;
   frame.y = y;
   frame.transparent_index = -1;
   frames_.push_back(frame);
   return frames_.back();
}

GifSequence *Sequence::get()
{
   record_.frames = frames_.data();
   record_.frame_count = int(frames_.size());
   return &record_;
}

std::unique_ptr<Sequence> still(std::mt19937 &rng, int width, int height, int values,
                                const std::vector<unsigned char> &pixels, bool local)
{
   const std::vector<uint32_t> table = oracle::random_table(rng, values);
   auto s = std::make_unique<Sequence>(width, height, local ? std::vector<uint32_t>() : table);
   s->add(0, 0, width, height, pixels, local ? table : std::vector<uint32_t>());
   return s;
}

std::vector<unsigned char> constant_pixels(int count, unsigned char value)
{
   return std::vector<unsigned char>(size_t(count), value);
}

std::vector<unsigned char> long_runs(std::mt19937 &rng, int count, int values, int longest)
{
   std::vector<unsigned char> out;
   out.reserve(size_t(count));
   unsigned char v = 0;
   while (int(out.size()) < count) {
      // Each run takes another value than the one before, so runs stay as long as drawn.
      v = (unsigned char)((v + 1 + rng() % unsigned(values - 1)) % unsigned(values));
      const int n = 1 + int(rng() % unsigned(longest));
      for (int k = 0; k < n && int(out.size()) < count; k++)
         out.push_back(v);
   }
   return out;
}

::testing::AssertionResult strict_structure(const std::string &path, StreamFacts *facts)
{
   const std::vector<unsigned char> bytes = read_file(path);
   Problems problems;
   ByteReader in(bytes);
   StreamFacts found;
   if (!in.has(13) || memcmp(bytes.data(), "GIF89a", 6) != 0)
      return ::testing::AssertionFailure() << path << " does not start with GIF89a";
   in.skip(6);
   in.skip(4);
   const int packed = in.byte();
   in.skip(2);
   if (packed & 0x80)
      in.skip(3u << ((packed & 7) + 1));
   bool trailer = false;
   int image = 0;
   while (!trailer) {
      if (!in.has(1)) {
         problems.add("the file ends without a trailer");
         break;
      }
      const int kind = in.byte();
      if (kind == 0x3B) {
         trailer = true;
         if (in.at() != in.size())
            problems.add(str(long(in.size() - in.at())) + " byte(s) after the trailer");
      } else if (kind == 0x21) {
         if (!in.has(1) || (in.skip(1), !read_sub_blocks(in, nullptr, nullptr))) {
            problems.add("an extension is cut short");
            break;
         }
      } else if (kind == 0x2C) {
         const std::string name = "image " + str(image++);
         if (!in.has(9)) {
            problems.add(name + ": descriptor cut short");
            break;
         }
         in.skip(4);
         const int w = in.word(), h = in.word();
         const int flags = in.byte();
         if (flags & 0x80)
            in.skip(3u << ((flags & 7) + 1));
         else if (flags & 7)  // GIF89a: "0 if there is no Local Color Table"
            problems.add(name + ": table size bits " + str(flags & 7) + " without a table");
         if (!in.has(1)) {
            problems.add(name + ": cut short before its data");
            break;
         }
         ImageFacts f;
         f.min_code_size = in.byte();
         std::vector<unsigned char> data;
         if (!read_sub_blocks(in, &data, &f.last_block)) {
            problems.add(name + ": data sub-blocks cut short");
            break;
         }
         f.data_bytes = long(data.size());
         if (f.min_code_size < 2 || f.min_code_size > 8)
            problems.add(name + ": minimum code size " + str(f.min_code_size));
         else
            walk_codes(data, f.min_code_size, long(w) * h, name, &f, &problems);
         found.images.push_back(f);
      } else {
         char text[64];
         snprintf(text, sizeof text, "unknown block 0x%02X at byte %ld", kind,
                  long(in.at() - 1));
         problems.add(text);
         break;
      }
   }
   if (facts)
      *facts = found;
   return problems.result(path);
}

::testing::AssertionResult giflib_reads_as_written(const std::string &path,
                                                   const GifSequence &written)
{
   const oracle::GiflibFile read(path);
   if (!read.gif)
      return ::testing::AssertionFailure() << "giflib cannot read " << path << ": "
                                           << read.error;
   GifFileType *gif = read.gif;
   Problems problems;
   if (gif->SWidth != written.width || gif->SHeight != written.height)
      problems.add("screen " + str(gif->SWidth) + "x" + str(gif->SHeight) + ", written " +
                   str(written.width) + "x" + str(written.height));
   if (gif->SBackGroundColor != written.background_index)
      problems.add("background " + str(gif->SBackGroundColor) + ", written " +
                   str(written.background_index));
   if (gif->AspectByte != 0)
      problems.add("aspect byte " + str(gif->AspectByte));
   compare_entries(written_entries(written.palette), giflib_entries(gif->SColorMap),
                   "global table", &problems);
   if (gif->ExtensionBlockCount != 0)
      problems.add("blocks after the last image:" +
                   describe_blocks(gif->ExtensionBlockCount, gif->ExtensionBlocks));
   if (gif->ImageCount != written.frame_count)
      return ::testing::AssertionFailure() << path << ": giflib reads " << gif->ImageCount
                                           << " images, " << written.frame_count
                                           << " were written";
   for (int i = 0; i < gif->ImageCount; i++) {
      const SavedImage &image = gif->SavedImages[i];
      const GifImageDesc &d = image.ImageDesc;
      const GifFrame &f = written.frames[i];
      const std::string name = "frame " + str(i);
      check_extensions(image, i, written, &problems);
      if (d.Left != f.x || d.Top != f.y || d.Width != f.bitmap->w || d.Height != f.bitmap->h ||
          d.Interlace) {
         problems.add(name + ": giflib reads " + str(d.Width) + "x" + str(d.Height) + " at " +
                      str(d.Left) + "," + str(d.Top) + (d.Interlace ? " interlaced" : "") +
                      ", written " + str(f.bitmap->w) + "x" + str(f.bitmap->h) + " at " +
                      str(f.x) + "," + str(f.y));
         continue;
      }
      compare_entries(written_entries(f.palette), giflib_entries(d.ColorMap),
                      name + " local table", &problems);
      const std::vector<int> got(image.RasterBits,
                                 image.RasterBits + size_t(d.Width) * size_t(d.Height));
      const std::string diff = index_difference(frame_indices(f.bitmap), got, d.Width);
      if (!diff.empty())
         problems.add(name + ": giflib reads " + diff);
   }
   return problems.result(path);
}

::testing::AssertionResult reader_reads_as_written(const std::string &path,
                                                   const GifSequence &written)
{
   const GifSequencePtr back(open_gif_sequence(path.c_str()));
   if (!back)
      return ::testing::AssertionFailure() << "open_gif_sequence refuses " << path;
   Problems problems;
   std::ostringstream want, got;
   want << written.width << "x" << written.height << " background "
        << written.background_index << " loop "
        << (written.loop_count == -1 ? 0 : written.loop_count) << " frames "
        << written.frame_count;
   got << back->width << "x" << back->height << " background " << back->background_index
       << " loop " << back->loop_count << " frames " << back->frame_count;
   if (want.str() != got.str())
      problems.add("our reader gives " + got.str() + ", written " + want.str());
   compare_entries(written_entries(written.palette), table_entries(back->palette), "global table",
                   &problems);
   for (int i = 0; i < back->frame_count && i < written.frame_count; i++) {
      const GifFrame &w = written.frames[i], &b = back->frames[i];
      const std::string name = "frame " + str(i);
      std::ostringstream ws, bs;
      ws << w.bitmap->w << "x" << w.bitmap->h << " at " << w.x << "," << w.y << " disposal "
         << w.disposal << " delay " << w.delay << " transparent " << w.transparent_index
         << " interlaced 0 missing 0";
      bs << b.bitmap->w << "x" << b.bitmap->h << " at " << b.x << "," << b.y << " disposal "
         << b.disposal << " delay " << b.delay << " transparent " << b.transparent_index
         << " interlaced " << b.interlaced << " missing " << b.missing_pixels;
      if (ws.str() != bs.str()) {
         problems.add(name + ": our reader gives " + bs.str() + ", written " + ws.str());
         continue;
      }
      compare_entries(written_entries(w.palette), table_entries(b.palette), name + " local table",
                      &problems);
      const std::string diff =
         index_difference(frame_indices(w.bitmap), frame_indices(b.bitmap), w.bitmap->w);
      if (!diff.empty())
         problems.add(name + ": our reader gives " + diff);
   }
   return problems.result(path);
}

::testing::AssertionResult drawn_as_giflib_composes(const std::string &path,
                                                    GifSequence *written)
{
   const std::vector<Picture> expected = oracle::reference_frames(path);
   if (int(expected.size()) != written->frame_count)
      return ::testing::AssertionFailure() << path << ": giflib composes " << expected.size()
                                           << " frames, " << written->frame_count
                                           << " were written";
   if (written->frame_count > 0) {
      const BitmapPtr screen(create_bitmap_ex(32, written->width, written->height));
      for (int i = 0; i < written->frame_count; i++) {
         draw_gif_frame(written, screen.get(), i, 0, 0);
         const ::testing::AssertionResult same = oracle::same_picture(
            expected[size_t(i)], oracle::picture_of(screen.get()),
            path + ": the written sequence drawn up to frame " + str(i) +
               " against giflib's reading composed");
         if (!same)
            return same;
      }
   }
   return oracle::codec_matches_giflib(path);
}

::testing::AssertionResult imagemagick_reads_as_written(const std::vector<Written> &files,
                                                        const std::string &out_prefix)
{
   if (files.empty())
      return ::testing::AssertionSuccess();
   std::string arguments;
   for (const Written &w : files)
      arguments += quoted(w.path) + " ";
   // Frames come out one file each, at their own size, numbered on across
   // the inputs.
   const ::testing::AssertionResult ran =
      oracle::magick(arguments + "-depth 8 +adjoin " + quoted(out_prefix + "-%d.pam"));
   if (!ran)
      return ran;
   Problems problems;
   int number = 0;
   for (const Written &w : files) {
      const GifSequence &s = *w.sequence;
      for (int i = 0; i < s.frame_count; i++, number++) {
         const std::string out = out_prefix + "-" + str(number) + ".pam";
         const std::string name = w.path + " frame " + str(i);
         oracle::Pam pam;
         std::string error;
         const bool ok = oracle::read_pam(out, &pam, &error);
         remove(out.c_str());
         if (!ok) {
            problems.add(name + ": " + error);
            continue;
         }
         const GifFrame &f = s.frames[i];
         if (pam.width != f.bitmap->w || pam.height != f.bitmap->h) {
            problems.add(name + ": ImageMagick gives " + str(pam.width) + "x" +
                         str(pam.height));
            continue;
         }
         const std::vector<uint32_t> table =
            written_entries(f.palette.count ? f.palette : s.palette);
         const int n = pam.channels;
         long wrong = 0;
         std::string first;
         for (int y = 0; y < f.bitmap->h; y++)
            for (int x = 0; x < f.bitmap->w; x++) {
               const int index = f.bitmap->line[y][x];
               if (size_t(index) >= table.size())
                  return ::testing::AssertionFailure()
                         << name << ": index " << index << " is past the table; "
                         << "no colour to expect";
               const unsigned char *p = &pam.samples[(size_t(y) * pam.width + x) * size_t(n)];
               const bool alpha_zero = (n == 2 || n == 4) && p[n - 1] == 0;
               const uint32_t rgb = n <= 2 ? uint32_t(p[0] << 16 | p[0] << 8 | p[0])
                                           : uint32_t(p[0] << 16 | p[1] << 8 | p[2]);
               const bool right = index == f.transparent_index
                                     ? alpha_zero
                                     : !alpha_zero && rgb == table[size_t(index)];
               if (!right && !wrong++)
                  first = " first at (" + str(x) + "," + str(y) + "): index " + str(index) +
                          " shown as " + (alpha_zero ? "transparent" : describe(int(rgb)));
            }
         if (wrong)
            problems.add(name + ": ImageMagick shows " + str(wrong) + " wrong pixel(s);" +
                         first);
      }
   }
   return problems.result("ImageMagick");
}

::testing::AssertionResult gifsicle_reads_cleanly(const std::vector<std::string> &paths)
{
   // Decoding to nowhere reads every image; --info alone does not.
   std::string command = "(status=0; for f in";
   for (const std::string &p : paths)
      command += " " + quoted(p);
   command += "; do " + std::string(oracle::GIFSICLE) +
              " \"$f\" -o /dev/null || status=1; done; exit $status)";
   std::string output;
   const int status = oracle::run(command, &output);
   // What gifsicle says about the copy it writes is not about our file.
   static const char *const about_output[] = {"too many colors, using local colormaps",
                                              "You may want to try",
                                              "/dev/null: warning: background color"};
   std::istringstream lines(output);
   std::string line, said;
   while (std::getline(lines, line)) {
      bool ignored = false;
      for (const char *text : about_output)
         ignored = ignored || line.find(text) != std::string::npos;
      if (!ignored)
         said += line + "\n";
   }
   if (status != 0 || !said.empty())
      return ::testing::AssertionFailure() << "gifsicle exits with " << status << ":\n"
                                           << said;
   return ::testing::AssertionSuccess();
}

::testing::AssertionResult read_back_everywhere(const std::string &path, GifSequence *written,
                                                StreamFacts *facts)
{
   ::testing::AssertionResult r = strict_structure(path, facts);
   if (r)
      r = giflib_reads_as_written(path, *written);
   if (r)
      r = reader_reads_as_written(path, *written);
   if (r)
      r = drawn_as_giflib_composes(path, written);
   return r;
}

Batch::~Batch()
{
   if (!all_.empty() || !for_magick_.empty())
      finish();
}

StreamFacts Batch::write(const std::string &name, std::unique_ptr<Sequence> sequence,
                         bool programs)
{
   const std::string path = scratch_.path(name);
   const int status = write_gif_sequence(path.c_str(), sequence->get());
   EXPECT_EQ(status, 0) << "write_gif_sequence " << name;
   if (status != 0)
      return StreamFacts();
   return check(path, std::move(sequence), programs);
}

StreamFacts Batch::check(const std::string &path, std::unique_ptr<Sequence> expected,
                         bool programs)
{
   StreamFacts facts;
   EXPECT_TRUE(read_back_everywhere(path, expected->get(), &facts));
   if (programs)
      all_.push_back(path);
   // ImageMagick's policy here refuses images with a side past 16384.
   const GifSequence &s = *expected->get();
   bool fits = s.width <= 16384 && s.height <= 16384;
   for (int i = 0; i < s.frame_count; i++)
      fits = fits && s.frames[i].bitmap->w <= 16384 && s.frames[i].bitmap->h <= 16384;
   if (programs && fits)
      for_magick_.push_back({path, expected->get()});
   kept_.push_back(std::move(expected));
   return facts;
}

void Batch::finish()
{
   EXPECT_TRUE(gifsicle_reads_cleanly(all_));
   EXPECT_TRUE(imagemagick_reads_as_written(for_magick_,
                                            scratch_.path("magick-" + str(runs_++))));
   for_magick_.clear();
   all_.clear();
   kept_.clear();
}

std::vector<PrefixEnd> prefix_ends(const std::vector<unsigned char> &pixels, int m)
{
   std::vector<PrefixEnd> out;
   if (pixels.empty())
      return out;
   out.reserve(pixels.size() + 1);
   out.push_back({0, 0, 0, 0});  // no prefix of length 0
   const int clear = 1 << m;
   int width = m + 1, next_free = clear + 2, clears = 0;
   long bits = width;  // the opening clear code
   std::unordered_map<uint32_t, int> dictionary;
   int current = pixels[0];
   auto record = [&] {
      // The pending string goes out at the current width; the decoder's
      // entry for it may widen the end code by one bit.
      const int end_width = next_free == 1 << width && width < 12 ? width + 1 : width;
      const long total = bits + width + end_width;
      out.push_back({(total + 7) / 8, end_width, next_free, clears});
   };
   for (size_t i = 1; i < pixels.size(); i++) {
      record();
      const uint32_t key = uint32_t(current) << 8 | pixels[i];
      const auto found = dictionary.find(key);
      if (found != dictionary.end()) {
         current = found->second;
         continue;
      }
      dictionary.emplace(key, next_free++);
      bits += width;
      current = pixels[i];
      if (next_free == (1 << width) + 1 && width < 12)
         width++;
      if (next_free == 4096) {
         bits += width;
         clears++;
         width = m + 1;
         next_free = clear + 2;
         dictionary.clear();
      }
   }
   record();
   return out;
}

}  // namespace writer_check
