// Animations written a frame at a time, decoded by our reader, by giflib
// and by ImageMagick's -coalesce: each must show the pictures that were
// added, for the times they were given (a repeated frame merged into the
// one before it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "gif/gif.h"
#include "oracle.h"
#include "support/scratch.h"
#include "writer_check.h"

using namespace oracle;
using writer_check::StreamFacts;
using writer_check::strict_structure;

namespace {

const uint32_t kClear = 0;  // alpha 0: a transparent pixel
const int kLongestDelay = 65535;  // hundredths: a frame's delay is a 16-bit word

// An animation as it is added: 0xAARRGGBB pixels per frame.
struct Clip {
   int width, height;
   std::vector<std::vector<uint32_t>> frames;
   std::vector<int> delays;
   enum Input { rgba, indexed, bitmap16 } input = rgba;

   std::vector<uint32_t> blank(uint32_t fill) const
   {
      return std::vector<uint32_t>(size_t(width) * height, fill);
   }
   void add(std::vector<uint32_t> frame, int delay = 4)
   {
      frames.push_back(std::move(frame));
      delays.push_back(delay);
   }
};

void rect(const Clip &clip, std::vector<uint32_t> &frame, int x0, int y0, int w, int h,
          uint32_t colour)
{
   for (int y = std::max(0, y0); y < std::min(clip.height, y0 + h); y++)
      for (int x = std::max(0, x0); x < std::min(clip.width, x0 + w); x++)
         frame[size_t(y) * clip.width + x] = colour;
}

uint32_t opaque(uint32_t rgb)
{
   return 0xFF000000u | rgb;
}

// Distinct colours, none of them magenta (which a composed bitmap cannot
// tell from "nothing drawn").
std::vector<uint32_t> colours(std::mt19937 &rng, int count)
{
   std::vector<uint32_t> out;
   while (int(out.size()) < count) {
      const uint32_t c = opaque(rng() & 0xFFFFFF);
      if ((c & 0xFFFFFF) != 0xFF00FF && std::find(out.begin(), out.end(), c) == out.end())
         out.push_back(c);
   }
   return out;
}

std::vector<uint32_t> noise(std::mt19937 &rng, const Clip &clip, const std::vector<uint32_t> &pick)
{
   std::vector<uint32_t> frame = clip.blank(0);
   for (uint32_t &p : frame)
      p = pick[rng() % pick.size()];
   return frame;
}

// A backdrop of stripes and two sprites moving over it at their own pace.
Clip moving_sprites()
{
   Clip clip{64, 48, {}, {}};
   for (int i = 0; i < 10; i++) {
      std::vector<uint32_t> f = clip.blank(0);
      for (int y = 0; y < clip.height; y++)
         rect(clip, f, 0, y, clip.width, 1, opaque(y / 6 % 2 ? 0x204060 : 0x608040));
      rect(clip, f, 3 * i, 2 * i, 8, 8, opaque(0xE0C020));
      rect(clip, f, 3 * i + 2, 2 * i + 2, 4, 4, opaque(0x101010));
      rect(clip, f, 50 - 4 * i, 30, 6, 10, opaque(0x3080F0));
      clip.add(f, 3 + i % 3);
   }
   return clip;
}

// Repeats merged into the frame before while their delays together fit
// the format's word: 65,000 and 535 hundredths show as one frame, 65,000
// and 536 as two.
Clip repeated_frames()
{
   std::mt19937 rng(2);
   Clip clip{30, 20, {}, {}};
   const std::vector<uint32_t> pick = colours(rng, 5);
   const std::vector<uint32_t> a = noise(rng, clip, pick), b = noise(rng, clip, pick);
   for (const auto &[frame, delay] : {std::pair(a, 5), {a, 7}, {b, 3}, {b, 3}, {b, 3}, {a, 20},
                                      {b, 65000}, {b, 535}, {a, 65000}, {a, 536}})
      clip.add(frame, delay);
   return clip;
}

Clip full_screen_changes()
{
   std::mt19937 rng(3);
   Clip clip{40, 30, {}, {}};
   const std::vector<uint32_t> pick = colours(rng, 16);
   for (int i = 0; i < 4; i++)
      clip.add(noise(rng, clip, pick), 10);
   return clip;
}

Clip single_pixel()
{
   Clip clip{25, 17, {}, {}};
   std::vector<uint32_t> f = clip.blank(opaque(0x405060));
   clip.add(f);
   for (int i = 0; i < 5; i++) {
      f[size_t(3 + 2 * i) * clip.width + 4 * i] = opaque(0x102030u * uint32_t(i + 1));
      clip.add(f, 2);
   }
   return clip;
}

// A sprite on nothing: it moves, is partly hidden, leaves the screen
// empty for a frame, and comes back; the backdrop's hole moves with it.
Clip transparent_input()
{
   Clip clip{32, 24, {}, {}};
   for (int i = 0; i < 8; i++) {
      std::vector<uint32_t> f = clip.blank(kClear);
      if (i != 5) {
         rect(clip, f, 0, 18, clip.width, 6, opaque(0x20A040));
         rect(clip, f, 4 * i, 17, 5, 4, kClear);
         rect(clip, f, 3 * i, 4 + i, 7, 7, opaque(0xC03020));
         rect(clip, f, 3 * i + 2, 6 + i, 3, 3, kClear);
      }
      clip.add(f, 6);
   }
   return clip;
}

// Two colours swapped in places, so the changes use the whole table and
// an entry is kept for transparency; a new colour then takes that entry,
// and the next frame needs another.
Clip transparent_entry_taken()
{
   Clip clip{20, 10, {}, {}};
   const uint32_t a = opaque(0x304050), b = opaque(0xA0B0C0), c = opaque(0xD02010);
   std::vector<uint32_t> f = clip.blank(a);
   rect(clip, f, 10, 0, 10, 10, b);
   clip.add(f);
   rect(clip, f, 2, 2, 2, 2, b);
   rect(clip, f, 14, 2, 2, 2, a);
   clip.add(f);
   rect(clip, f, 6, 6, 1, 1, c);
   clip.add(f);
   rect(clip, f, 2, 2, 1, 1, a);
   rect(clip, f, 14, 2, 1, 1, b);
   rect(clip, f, 16, 7, 1, 1, c);
   clip.add(f);
   return clip;
}

// More data than the writer holds before its table is known, so the
// table goes out early with an entry kept for transparency: the colour
// that comes after must not take that entry, whose colour is written.
// The first frame's last four colours come back alone in a small frame,
// which moves them to the table's first entries, and again after the
// table is written: they must keep their new entries.
Clip colour_after_the_table()
{
   std::mt19937 rng(5);
   Clip clip{1024, 768, {}, {}};
   const std::vector<uint32_t> pick = colours(rng, 200);
   clip.add(noise(rng, clip, pick));
   std::vector<uint32_t> order;
   for (uint32_t c : clip.frames[0])
      if (std::find(order.begin(), order.end(), c) == order.end())
         order.push_back(c);
   const auto lastFour = [&](std::vector<uint32_t> &f, int x) {
      for (int k = 0; k < 4; k++)
         rect(clip, f, x + 3 * k, 10, 3, 6, order[order.size() - 1 - size_t(k)]);
   };
   std::vector<uint32_t> f = clip.frames[0];
   lastFour(f, 10);
   clip.add(f);
   for (int i = 0; i < 5; i++)
      clip.add(noise(rng, clip, pick));
   f = clip.frames.back();
   rect(clip, f, 10, 10, 40, 30, colours(rng, 201).back());
   lastFour(f, 60);
   clip.add(f);
   return clip;
}

// Noise whose lower half repeats its upper half: the dictionary fills on
// the first half, and the second is written with it full, no new entries
// being made and every code 12 bits wide.
Clip full_dictionary()
{
   std::mt19937 rng(11);
   Clip clip{256, 192, {}, {}};
   std::vector<uint32_t> f = noise(rng, clip, colours(rng, 16));
   std::copy_n(f.begin(), f.size() / 2, f.begin() + long(f.size() / 2));
   clip.add(f);
   return clip;
}

// A first frame of 16 colours whose codes reach 4080, then frames of 15
// colours of their own, which would save more in the table's first 16
// entries than it does: but its codes, 16 entries up at 5 bits, would
// reach 4096, past the last, so it keeps those entries.
Clip codes_short_of_the_last()
{
   std::mt19937 rng(11);
   Clip clip{128, 76, {}, {}};
   std::vector<uint32_t> f = noise(rng, clip, colours(rng, 16));
   clip.add(f);
   const std::vector<uint32_t> sprite = colours(rng, 15);
   for (int i = 0; i < 3; i++) {
      for (int y = 8; y < 48; y++)
         for (int x = 8; x < 72; x++)
            f[size_t(y) * clip.width + x] = sprite[rng() % sprite.size()];
      clip.add(f);
   }
   return clip;
}

// A backdrop of 200 colours over the upper half, then a sprite of 16
// colours of its own, which come last and so would take the table's last
// entries, moving over the flat lower half: its frames' codes are as
// short as its 18 values (with the flat colour and the transparent index)
// allow once the table is ordered. The sprite is noise whose lower half
// repeats its upper half, so its frames fill the dictionary. It passes
// behind bars of a backdrop colour, which its frames keep, and which a
// last frame draws anew among the backdrop's other colours. A sprite of
// 15 or 31 colours has 17 or 33 values: the largest, 16 or 32, is the
// first that needs a code size more.
Clip sprite_colours_last(int spriteColours = 16)
{
   std::mt19937 rng(17);
   Clip clip{256, 192, {}, {}};
   const std::vector<uint32_t> backdrop = colours(rng, 200 + spriteColours);
   const std::vector<uint32_t> painted(backdrop.begin(), backdrop.begin() + 200);
   const std::vector<uint32_t> sprite(backdrop.begin() + 200, backdrop.end());
   std::vector<uint32_t> f = noise(rng, clip, painted);
   rect(clip, f, 0, 96, clip.width, 96, opaque(0x102030));
   const uint32_t bars = painted[150];
   for (int x = 0; x < clip.width; x += 10)
      rect(clip, f, x, 96, 1, 96, bars);
   std::vector<uint32_t> block(size_t(160) * 64);
   for (size_t p = 0; p < block.size() / 2; p++)
      block[p] = block[p + block.size() / 2] = sprite[rng() % sprite.size()];
   for (int i = 0; i < 4; i++) {
      std::vector<uint32_t> g = f;
      for (int y = 0; y < 64; y++)
         for (int x = 0; x < 160; x++)
            if ((8 + 20 * i + x) % 10 != 0)
               g[size_t(110 + y) * clip.width + 8 + 20 * i + x] = block[size_t(y) * 160 + x];
      clip.add(g, 3);
   }
   f = clip.frames.back();
   const std::vector<uint32_t> more = noise(rng, clip, painted);
   std::copy(more.end() - 16 * clip.width, more.end(), f.end() - 16 * clip.width);
   rect(clip, f, 40, 180, 6, 6, bars);
   clip.add(f, 3);
   return clip;
}

// A backdrop of noise of two colours, z and y (its row 5 all y), then
// rows of two colours in one pattern: C draws s and z on row 5, A p and q,
// and B r and s on the pattern's first 40 pixels. The 4 entries of 2-bit
// codes hold z and y, by which the backdrop saves most, and two more: r
// and s serve B and C, p and q only A, whose codes are as many as C's.
Clip rows_of_two_colours()
{
   std::mt19937 rng(19);
   Clip clip{64, 8, {}, {}};
   const std::vector<uint32_t> c = colours(rng, 6);
   const uint32_t z = c[0], y = c[1], s = c[2], p = c[3], q = c[4], r = c[5];
   std::vector<uint32_t> f = noise(rng, clip, {z, y});
   rect(clip, f, 0, 5, clip.width, 1, y);
   clip.add(f);
   std::vector<int> pattern(size_t(clip.width));
   for (int &v : pattern)
      v = int(rng() % 2);
   pattern[0] = 0;  // the first colour named comes first
   for (const auto &[row, length, first, second] :
        {std::tuple(5, 64, s, z), {0, 64, p, q}, {1, 40, r, s}}) {
      for (int x = 0; x < length; x++)
         f[size_t(row) * clip.width + x] = pattern[size_t(x)] ? second : first;
      clip.add(f);
   }
   return clip;
}

// Every frame brings 200 colours of its own: more than one table holds
// over the animation, each frame's changes exact in a local table.
Clip many_tables()
{
   std::mt19937 rng(7);
   Clip clip{36, 24, {}, {}};
   std::vector<uint32_t> f = noise(rng, clip, colours(rng, 200));
   clip.add(f);
   for (int i = 0; i < 3; i++) {
      const std::vector<uint32_t> fresh = noise(rng, clip, colours(rng, 200));
      for (int y = 4 * i; y < 4 * i + 12; y++)
         std::copy_n(&fresh[size_t(y) * clip.width], clip.width, &f[size_t(y) * clip.width]);
      clip.add(f, 5);
   }
   return clip;
}

// Colours apart only in their lowest bits, as no two of a 16-bit
// picture are: each keeps an entry of its own, also where it stays.
Clip near_colours()
{
   Clip clip{24, 16, {}, {}};
   std::vector<uint32_t> f = clip.blank(opaque(0x808080));
   clip.add(f);
   for (uint32_t i = 1; i < 8; i++) {
      rect(clip, f, 3 * int(i), 2, 3, 12, opaque(0x808080 + 0x010101 * i));
      clip.add(f);
   }
   return clip;
}

// Glyphs typed on nothing after a blinking cursor, two rubbed out and
// typed again: frames small enough that their disposals are chosen by
// the bytes the next frame takes, some of which must clear.
Clip typed_text()
{
   std::mt19937 rng(13);
   Clip clip{64, 32, {}, {}};
   const uint32_t ink = opaque(0xE0E0E0), cursor = opaque(0x40C040);
   std::vector<uint32_t> f = clip.blank(kClear);
   std::vector<std::vector<uint32_t>> typed = {f};
   for (int i = 0; i < 8; i++) {
      for (int p = 0; p < 15; p++)
         if (rng() % 2)
            rect(clip, f, 4 + 4 * i + p % 3, 10 + p / 3, 1, 1, ink);
      typed.push_back(f);
   }
   for (int k : {1, 2, 3, 3, 8, 7, 6, 7, 8}) {
      std::vector<uint32_t> g = typed[size_t(k)];
      clip.add(g, 4);
      rect(clip, g, 4 + 4 * k, 10, 3, 5, cursor);
      clip.add(g, 4);
   }
   return clip;
}

Clip indexed_input()
{
   Clip clip = transparent_input();
   clip.input = Clip::indexed;
   return clip;
}

// A 16-bit bitmap's colours are 5-6-5 bits, so the frames hold only such.
Clip bitmap_input()
{
   Clip clip = moving_sprites();
   clip.input = Clip::bitmap16;
   for (auto &frame : clip.frames)
      for (uint32_t &p : frame) {
         const int c = makecol16(int(p >> 16 & 255), int(p >> 8 & 255), int(p & 255));
         p = opaque(uint32_t(getr16(c)) << 16 | uint32_t(getg16(c)) << 8 | uint32_t(getb16(c)));
      }
   rect(clip, clip.frames[4], 10, 10, 5, 5, kClear);  // the mask colour
   return clip;
}

// The clip's frames in the form `input` says, each added to `animation`.
void add_frames(GifAnimation *animation, const Clip &clip)
{
   for (size_t i = 0; i < clip.frames.size(); i++) {
      const std::vector<uint32_t> &f = clip.frames[i];
      std::string problem;
      int result = -1;
      if (clip.input == Clip::rgba) {
         result = add_gif_rgba_frame(animation, f.data(), clip.delays[i], &problem);
      } else if (clip.input == Clip::indexed) {
         // The table lists the frame's colours; index 200 is transparent.
         ColorTable table = {};
         std::vector<uint32_t> seen;
         BitmapPtr indices(create_bitmap_ex(8, clip.width, clip.height));
         for (size_t p = 0; p < f.size(); p++) {
            int k = 200;
            if (f[p] >> 24) {
               k = int(std::find(seen.begin(), seen.end(), f[p]) - seen.begin());
               if (k == int(seen.size()))
                  seen.push_back(f[p]);
               table.colors[k] = {uint8_t(f[p] >> 16), uint8_t(f[p] >> 8), uint8_t(f[p]), 0};
            }
            indices->line[p / clip.width][p % clip.width] = uint8_t(k);
         }
         table.count = 256;
         result = add_gif_indexed_frame(animation, indices.get(), &table, 200, clip.delays[i],
                                        &problem);
      } else {
         BitmapPtr bitmap(create_bitmap_ex(16, clip.width, clip.height));
         for (size_t p = 0; p < f.size(); p++)
            putpixel(bitmap.get(), int(p % clip.width), int(p / clip.width),
                     f[p] >> 24 ? makecol16(int(f[p] >> 16 & 255), int(f[p] >> 8 & 255),
                                            int(f[p] & 255))
                                : bitmap_mask_color(bitmap.get()));
         result = add_gif_bitmap_frame(animation, bitmap.get(), bitmap_mask_color(bitmap.get()),
                                       clip.delays[i], &problem);
      }
      ASSERT_EQ(result, 0) << problem;
   }
}

// The clip through the animation writer into `gif`.
void write_clip(const Clip &clip, const std::string &gif, GifAnimationReport *report,
                const ColorTable *palette = nullptr)
{
   GifAnimationSettings settings;
   settings.width = clip.width;
   settings.height = clip.height;
   settings.palette = palette;
   std::string problem;
   GifAnimationPtr animation(open_gif_animation(gif.c_str(), settings, &problem));
   ASSERT_TRUE(animation) << problem;
   add_frames(animation.get(), clip);
   ASSERT_EQ(close_gif_animation(animation.release(), &problem, report), 0) << problem;
}

Picture picture_of_frame(const Clip &clip, const std::vector<uint32_t> &frame)
{
   Picture p;
   p.width = clip.width;
   p.height = clip.height;
   for (uint32_t c : frame)
      p.pixels.push_back(c >> 24 ? int(c & 0xFFFFFF) : MASK);
   return p;
}

// What must be seen: the frames, each repeat merged into the one before.
void expected_showing(const Clip &clip, std::vector<Picture> *pictures, std::vector<int> *delays)
{
   for (size_t i = 0; i < clip.frames.size(); i++) {
      if (i > 0 && clip.frames[i] == clip.frames[i - 1] &&
          delays->back() + clip.delays[i] <= kLongestDelay) {
         delays->back() += clip.delays[i];
         continue;
      }
      pictures->push_back(picture_of_frame(clip, clip.frames[i]));
      delays->push_back(clip.delays[i]);
   }
}

// ImageMagick's -coalesce of every frame, alpha 0 as MASK.
std::vector<Picture> imagemagick_frames(const Scratch &scratch, const std::string &gif, size_t count)
{
   std::vector<Picture> out;
   const std::string pattern = scratch.path("coalesced-%d.pam");
   if (!magick(quoted(gif) + " -coalesce " + quoted(pattern)))
      return out;
   for (size_t i = 0; i < count; i++) {
      Pam pam;
      std::string error;
      if (!read_pam(scratch.path("coalesced-" + std::to_string(i) + ".pam"), &pam, &error))
         break;
      Picture p;
      p.width = pam.width;
      p.height = pam.height;
      for (size_t k = 0; k < size_t(pam.width) * pam.height; k++) {
         const unsigned char *s = &pam.samples[k * size_t(pam.channels)];
         const bool alpha = pam.channels == 4 && s[3] == 0;
         p.pixels.push_back(alpha ? MASK : s[0] << 16 | s[1] << 8 | s[2]);
      }
      out.push_back(p);
   }
   return out;
}

struct Case {
   const char *name;
   std::function<Clip()> make;
};

void PrintTo(const Case &c, std::ostream *out)
{
   *out << c.name;
}

class AnimationRoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(AnimationRoundTrip, EveryDecoderShowsTheFramesAdded)
{
   const Clip clip = GetParam().make();
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   GifAnimationReport report;
   ASSERT_NO_FATAL_FAILURE(write_clip(clip, gif, &report));
   EXPECT_EQ(report.frames_added, long(clip.frames.size()));
   EXPECT_EQ(report.frames_reduced, 0);

   std::vector<Picture> pictures;
   std::vector<int> delays;
   expected_showing(clip, &pictures, &delays);
   EXPECT_EQ(report.frames_written, long(pictures.size()));

   std::string problem;
   GifSequencePtr sequence(open_gif_sequence(gif.c_str(), &problem));
   ASSERT_TRUE(sequence) << problem;
   EXPECT_TRUE(strict_structure(gif, nullptr));
   ASSERT_EQ(sequence->frame_count, int(pictures.size()));
   EXPECT_EQ(sequence->loop_count, 0);
   BitmapPtr screen(create_bitmap_ex(32, clip.width, clip.height));
   for (size_t i = 0; i < pictures.size(); i++) {
      SCOPED_TRACE("frame " + std::to_string(i));
      EXPECT_EQ(sequence->frames[i].delay, delays[i]);
      draw_gif_frame(sequence.get(), screen.get(), int(i), 0, 0);
      EXPECT_TRUE(same_picture(pictures[i], picture_of(screen.get()), "our reader"));
   }

   const std::vector<Picture> giflib = reference_frames(gif);
   const std::vector<Picture> magick = imagemagick_frames(scratch, gif, pictures.size());
   ASSERT_EQ(giflib.size(), pictures.size());
   ASSERT_EQ(magick.size(), pictures.size());
   for (size_t i = 0; i < pictures.size(); i++) {
      SCOPED_TRACE("frame " + std::to_string(i));
      EXPECT_TRUE(same_picture(pictures[i], giflib[i], "giflib"));
      EXPECT_TRUE(same_picture(pictures[i], magick[i], "ImageMagick -coalesce"));
   }
}

INSTANTIATE_TEST_SUITE_P(
   Cases, AnimationRoundTrip,
   ::testing::Values(Case{"MovingSprites", moving_sprites}, Case{"RepeatedFrames", repeated_frames},
                     Case{"FullScreenChanges", full_screen_changes},
                     Case{"SinglePixel", single_pixel}, Case{"TransparentInput", transparent_input},
                     Case{"TransparentEntryTaken", transparent_entry_taken},
                     Case{"ColourAfterTheTable", colour_after_the_table},
                     Case{"ManyTables", many_tables}, Case{"NearColours", near_colours},
                     Case{"FullDictionary", full_dictionary},
                     Case{"CodesShortOfTheLast", codes_short_of_the_last},
                     Case{"TypedText", typed_text},
                     Case{"SpriteColoursLast", [] { return sprite_colours_last(); }},
                     Case{"SpriteOf15ColoursLast", [] { return sprite_colours_last(15); }},
                     Case{"SpriteOf31ColoursLast", [] { return sprite_colours_last(31); }},
                     Case{"IndexedInput", indexed_input}, Case{"BitmapInput", bitmap_input}),
   [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// The sprite's frames take the codes of a table of 32 entries, the first
// frame those of 256, whatever order the colours came in; a palette given
// keeps its entries, here the sprite's last colour at 40.
TEST(AnimationCodes, AsShortAsEachFramesColoursAllow)
{
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   const Clip clip = sprite_colours_last();
   ASSERT_NO_FATAL_FAILURE(write_clip(clip, gif, nullptr));
   EXPECT_EQ(min_code_sizes(gif), std::vector<int>({8, 5, 5, 5, 8}));

   // Sprites of 15, 31 and 32 colours: 17 values take 5-bit codes, 33 or
   // 34 take 6. The first frame with 32 refers to the dictionary's last
   // entry, 4095, at 8 bits, which it keeps.
   for (const auto &[colours, size] : {std::pair(15, 5), {31, 6}, {32, 6}}) {
      ASSERT_NO_FATAL_FAILURE(write_clip(sprite_colours_last(colours), gif, nullptr));
      EXPECT_EQ(min_code_sizes(gif), std::vector<int>({8, size, size, size, 8})) << colours;
   }
   StreamFacts facts;
   ASSERT_TRUE(strict_structure(gif, &facts));
   EXPECT_EQ(facts.images[0].largest_code, 4095);

   // The first frame's codes reach 4080 at 4 bits and would pass 4095 at 5.
   ASSERT_NO_FATAL_FAILURE(write_clip(codes_short_of_the_last(), gif, nullptr));
   ASSERT_TRUE(strict_structure(gif, &facts));
   EXPECT_EQ(facts.images[0].largest_code, 4080);
   EXPECT_EQ(min_code_sizes(gif), std::vector<int>({4, 5, 5, 5}));

   ASSERT_NO_FATAL_FAILURE(write_clip(rows_of_two_colours(), gif, nullptr));
   EXPECT_EQ(min_code_sizes(gif), std::vector<int>({2, 2, 3, 2}));  // backdrop, C, A, B

   ColorTable palette = {};
   palette.count = 41;
   const uint32_t last = clip.frames[1][size_t(173) * clip.width + 167] & 0xFFFFFF;
   palette.colors[40] = {uint8_t(last >> 16), uint8_t(last >> 8), uint8_t(last), 0};
   ASSERT_NO_FATAL_FAILURE(write_clip(clip, gif, nullptr, &palette));
   GifSequencePtr sequence(open_gif_sequence(gif.c_str(), nullptr));
   ASSERT_TRUE(sequence);
   EXPECT_EQ(table_entries(sequence->palette)[40], last);
   EXPECT_EQ(min_code_sizes(gif), std::vector<int>({8, 6, 6, 6, 8}));

   // A palette of the backdrop's first 33 colours, which no sprite frame
   // uses: they keep the entries up to 32, and the 31 after them, up to 63,
   // go to the flat colour and a sprite of 30.
   const Clip thirty = sprite_colours_last(30);
   std::vector<uint32_t> first;
   for (size_t p = 0; first.size() < 33; p++)
      if (std::find(first.begin(), first.end(), thirty.frames[0][p]) == first.end())
         first.push_back(thirty.frames[0][p]);
   palette.count = 33;
   for (size_t k = 0; k < first.size(); k++)
      palette.colors[k] = {uint8_t(first[k] >> 16), uint8_t(first[k] >> 8), uint8_t(first[k]), 0};
   ASSERT_NO_FATAL_FAILURE(write_clip(thirty, gif, nullptr, &palette));
   EXPECT_EQ(min_code_sizes(gif), std::vector<int>({8, 6, 6, 6, 8}));
}

// Frames of more than 256 colours are reduced, yet each shows its picture
// at 40 dB or more, and a pixel whose input stays the same keeps what it
// showed (no shimmer), in our reader and in giflib: a gradient of 384
// close colours that moves a column a frame, over rows of 128 others
// that stay, and then turns to colours far from those before, which need
// a table of their own.
TEST(AnimationReduced, ManyColoursStayCloseWithoutShimmer)
{
   Clip clip{32, 16, {}, {}};
   for (int i = 0; i < 9; i++) {
      std::vector<uint32_t> f = clip.blank(0);
      for (int y = 0; y < clip.height; y++)
         for (int x = 0; x < clip.width; x++)
            f[size_t(y) * clip.width + x] =
               y >= 12 ? opaque(0xC80000 | uint32_t(x * 2) << 8 | uint32_t(y * 2))
               : i < 6
                  ? opaque(uint32_t(100 + (x + i) % 32 * 2) << 16 | uint32_t(50 + y * 3) << 8 | 90)
                  : opaque(uint32_t(20 + y * 3) << 16 | uint32_t(120 + (x + i) % 32 * 4) << 8 |
                           230);
      clip.add(f);
   }
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   GifAnimationReport report;
   ASSERT_NO_FATAL_FAILURE(write_clip(clip, gif, &report));
   EXPECT_EQ(report.frames_reduced, long(clip.frames.size()));
   // Frames that give up their tables for the global one among them.
   EXPECT_TRUE(strict_structure(gif, nullptr));

   std::string problem;
   GifSequencePtr sequence(open_gif_sequence(gif.c_str(), &problem));
   ASSERT_TRUE(sequence) << problem;
   ASSERT_EQ(sequence->frame_count, int(clip.frames.size()));
   const std::vector<Picture> giflib = reference_frames(gif);
   ASSERT_EQ(giflib.size(), clip.frames.size());
   BitmapPtr screen(create_bitmap_ex(32, clip.width, clip.height));
   Picture before;
   for (size_t i = 0; i < clip.frames.size(); i++) {
      SCOPED_TRACE("frame " + std::to_string(i));
      draw_gif_frame(sequence.get(), screen.get(), int(i), 0, 0);
      const Picture shown = picture_of(screen.get());
      EXPECT_TRUE(same_picture(shown, giflib[i], "giflib"));
      double squares = 0;
      long shimmering = 0;
      for (size_t p = 0; p < shown.pixels.size(); p++) {
         for (int shift : {0, 8, 16}) {
            const double d =
               double(shown.pixels[p] >> shift & 255) - double(clip.frames[i][p] >> shift & 255);
            squares += d * d;
         }
         shimmering += i > 0 && clip.frames[i][p] == clip.frames[i - 1][p] &&
                       shown.pixels[p] != before.pixels[p];
      }
      EXPECT_GE(10 * std::log10(255.0 * 255 * 3 * double(shown.pixels.size()) / squares), 40);
      EXPECT_EQ(shimmering, 0);
      before = shown;
   }
}

// Up to 16 kept pixels between changes in a row that carry on the runs
// of the changes keep their own colour, however the frame's other kept
// pixels are written (a ring a sprite leaves behind): here the 16 columns
// of a bar that runs of its colour join on either side, in rows that a
// change at column 55 stretches over a noisy backdrop, best transparent.
TEST(AnimationGaps, KeptPixelsThatCarryOnARunKeepTheirColour)
{
   std::mt19937 rng(23);
   Clip clip{128, 64, {}, {}};
   const std::vector<uint32_t> c = colours(rng, 10);
   std::vector<uint32_t> f = noise(rng, clip, std::vector<uint32_t>(c.begin() + 2, c.end()));
   rect(clip, f, 8, 10, 16, 5, c[0]);
   clip.add(f);
   rect(clip, f, 0, 10, 8, 5, c[0]);
   rect(clip, f, 24, 10, 8, 5, c[0]);
   rect(clip, f, 55, 10, 1, 5, c[1]);
   clip.add(f);
   Scratch scratch;
   const std::string gif = scratch.path("out.gif");
   ASSERT_NO_FATAL_FAILURE(write_clip(clip, gif, nullptr));
   GifSequencePtr sequence(open_gif_sequence(gif.c_str(), nullptr));
   ASSERT_TRUE(sequence);
   ASSERT_EQ(sequence->frame_count, 2);
   const GifFrame &changes = sequence->frames[1];
   ASSERT_EQ(std::pair(changes.x, changes.y), std::pair(0, 10));
   const std::vector<uint32_t> entries = table_entries(sequence->palette);
   long own = 0;
   for (int y = 0; y < 5; y++)
      for (int x = 8; x < 24; x++) {
         const int index = changes.bitmap->line[y][x];
         own += index != changes.transparent_index && entries[size_t(index)] == (c[0] & 0xFFFFFF);
      }
   EXPECT_EQ(own, 16 * 5);
}

}  // namespace
