// The generator reproduces graphics/ and the icons exactly, and every file there loads
// through the game's own path at 16 bpp with the sizes, transparency and
// legibility the game relies on.
#include <gtest/gtest.h>

#include <allegro.h>

#include <cmath>
#include <string>
#include <vector>

#include "art/art_files.h"
#include "art/art_icon.h"
#include "gif/gif.h"
#include "support/scratch.h"

namespace {

const int kTextBrown[3] = {69, 63, 48};
const int kTextWhite[3] = {255, 255, 255};

std::string committed(const std::string &name)
{
   return std::string(ART_SOURCE_DIR) + "/graphics/" + name;
}

// Whether `b` is from `min_w` to `max_w` pixels wide and from `min_h` to
// `max_h` high.
testing::AssertionResult sized(BITMAP *b, int min_w, int max_w, int min_h, int max_h)
{
   if (b->w >= min_w && b->w <= max_w && b->h >= min_h && b->h <= max_h)
      return testing::AssertionSuccess();
   return testing::AssertionFailure() << b->w << "x" << b->h << ", not " << min_w << ".." << max_w
                                      << " x " << min_h << ".." << max_h;
}

// Calls `f(x, y, pixel)` for every pixel of `b`, row by row.
template <class F>
void each_pixel(BITMAP *b, F f)
{
   for (int y = 0; y < b->h; y++) {
      for (int x = 0; x < b->w; x++)
         f(x, y, getpixel(b, x, y));
   }
}

// Loads a committed GIF the way the game does: at 16 bpp.
class Loaded {
public:
   explicit Loaded(const std::string &name)
   {
      set_color_depth(16);
      bitmap = load_gif_bitmap(committed(name).c_str(), nullptr);
   }
   ~Loaded()
   {
      if (bitmap)
         destroy_bitmap(bitmap);
   }
   Loaded(const Loaded &) = delete;
   Loaded &operator=(const Loaded &) = delete;

   bool masked(int x, int y) const { return getpixel(bitmap, x, y) == bitmap_mask_color(bitmap); }

   int count_masked() const
   {
      int n = 0;
      each_pixel(bitmap, [&](int x, int y, int) { n += masked(x, y); });
      return n;
   }

   // Whether every pixel of the outermost ring, except those of the bottom
   // row when `except_bottom`, is transparent.
   bool clear_around(bool except_bottom) const
   {
      for (int x = 0; x < bitmap->w; x++) {
         if (!masked(x, 0) || (!except_bottom && !masked(x, bitmap->h - 1)))
            return false;
      }
      for (int y = 0; y < bitmap->h; y++) {
         if (!masked(0, y) || !masked(bitmap->w - 1, y))
            return false;
      }
      return true;
   }

   BITMAP *bitmap;
};

double linear(int component)
{
   const double v = component / 255.0;
   return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
}

double luminance(int r, int g, int b)
{
   return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}

// The mean contrast ratio of text of colour `rgb` over the pixels of the
// rectangle from (x0, y0) to (x1, y1) inclusive.
double mean_contrast(BITMAP *b, const int rgb[3], int x0, int y0, int x1, int y1)
{
   const double text = luminance(rgb[0], rgb[1], rgb[2]);
   double sum = 0;
   int n = 0;
   for (int y = y0; y <= y1; y++) {
      for (int x = x0; x <= x1; x++) {
         const int p = getpixel(b, x, y);
         const double l = luminance(getr(p), getg(p), getb(p));
         sum += (std::max(l, text) + 0.05) / (std::min(l, text) + 0.05);
         n++;
      }
   }
   return sum / n;
}

TEST(ArtFiles, TheGeneratorReproducesTheCommittedFiles)
{
   Scratch scratch;
   ASSERT_EQ(make_art(scratch.path("")), "");
   ASSERT_EQ(art_file_names().size(), 15u);
   for (const std::string &name : art_file_names()) {
      const std::vector<unsigned char> made = read_file(scratch.path(name));
      ASSERT_FALSE(made.empty()) << name;
      EXPECT_TRUE(made == read_file(committed(name))) << name << " differs from graphics/" << name;
   }
   // The icons: PNG files of their size, the same bytes as those committed.
   ASSERT_EQ(make_icons(scratch.path("icons")), "");
   for (int size : icon_sizes()) {
      const std::string name = icon_file_name(size);
      const std::vector<unsigned char> made = read_file(scratch.path("icons/" + name));
      ASSERT_GT(made.size(), 24u) << name;
      EXPECT_EQ(std::string(made.begin() + 1, made.begin() + 4), "PNG") << name;
      const uint32_t width = made[16] << 24 | made[17] << 16 | made[18] << 8 | made[19];
      EXPECT_EQ(width, uint32_t(size)) << name;
      EXPECT_TRUE(made == read_file(std::string(ART_SOURCE_DIR) + "/data/icons/" + name))
         << name << " differs from data/icons/";
   }
}

TEST(ArtFiles, TheBackdropFillsTheWindowWithoutHoles)
{
   Loaded texture("texture.gif");
   ASSERT_TRUE(texture.bitmap);
   EXPECT_TRUE(sized(texture.bitmap, 640, 640, 480, 480));
   EXPECT_EQ(texture.count_masked(), 0);
}

TEST(ArtFiles, BrownMenuTextAndWhiteScoreRowsReadOnTheBackdrop)
{
   Loaded texture("texture.gif");
   ASSERT_TRUE(texture.bitmap);
   const double brown = mean_contrast(texture.bitmap, kTextBrown, 220, 180, 308, 250);
   const double white = mean_contrast(texture.bitmap, kTextWhite, 120, 120, 460, 400);
   testing::Test::RecordProperty("brown_contrast", std::to_string(brown));
   testing::Test::RecordProperty("white_contrast", std::to_string(white));
   EXPECT_GE(brown, 3.0);
   EXPECT_GE(white, 3.0);
}

TEST(ArtFiles, BannersAreOpaqueFitAboveTheirScreensAndJoinTheBackdrop)
{
   Loaded texture("texture.gif");
   ASSERT_TRUE(texture.bitmap);
   const struct {
      const char *name;
      int max_h;
   } banners[] = {{"title-menu.gif", 170}, {"title-hs.gif", 110}};
   for (const auto &banner : banners) {
      Loaded b(banner.name);
      ASSERT_TRUE(b.bitmap) << banner.name;
      EXPECT_TRUE(sized(b.bitmap, 1, 640, banner.max_h - 20, banner.max_h)) << banner.name;
      EXPECT_EQ(b.count_masked(), 0) << banner.name;
      // No visible seam: the bottom rows and the right column are the
      // backdrop's colours give or take one 16-bit step.
      long difference = 0, n = 0;
      for (int y = b.bitmap->h - 3; y < b.bitmap->h; y++) {
         for (int x = 0; x < b.bitmap->w; x++) {
            const int p = getpixel(b.bitmap, x, y), q = getpixel(texture.bitmap, x, y);
            difference += std::abs(getr(p) - getr(q)) + std::abs(getg(p) - getg(q)) + std::abs(getb(p) - getb(q));
            n++;
         }
      }
      EXPECT_LT(double(difference) / n, 6.0) << banner.name;
      // And something is lettered on it.
      long lettered = 0;
      each_pixel(b.bitmap,
                 [&](int x, int y, int p) { lettered += p != getpixel(texture.bitmap, x, y); });
      EXPECT_GT(lettered, long(b.bitmap->w) * b.bitmap->h / 10) << banner.name;
   }
}

TEST(ArtFiles, TheLogoIsLetteringWithTransparencyAround)
{
   Loaded logo("Loading.gif");
   ASSERT_TRUE(logo.bitmap);
   EXPECT_TRUE(sized(logo.bitmap, 1, 640, 90, 280));
   EXPECT_TRUE(logo.clear_around(false));
   const long area = long(logo.bitmap->w) * logo.bitmap->h;
   EXPECT_GT(logo.count_masked(), area / 4);
   EXPECT_LT(logo.count_masked(), area * 9 / 10);
}

TEST(ArtFiles, BallsAreRoundAndOfTheirColour)
{
   const struct {
      const char *name;
      int channel;  // 0 red, 1 green, 2 blue
   } balls[] = {{"ball-red.gif", 0}, {"ball-green.gif", 1}, {"ball-blue.gif", 2}};
   for (const auto &ball : balls) {
      Loaded b(ball.name);
      ASSERT_TRUE(b.bitmap) << ball.name;
      EXPECT_TRUE(sized(b.bitmap, 20, 20, 20, 20)) << ball.name;
      for (int corner = 0; corner < 4; corner++) {
         const int x = corner % 2 ? 19 : 0, y = corner / 2 ? 19 : 0;
         EXPECT_TRUE(b.masked(x, y)) << ball.name;
         EXPECT_TRUE(b.masked(x ? x - 1 : 1, y)) << ball.name;
      }
      // Opaque across the middle row and column.
      for (int k = 1; k < 19; k++) {
         EXPECT_FALSE(b.masked(k, 10)) << ball.name << " at " << k;
         EXPECT_FALSE(b.masked(10, k)) << ball.name << " at " << k;
      }
      // The lit side shows the pure colour: its own channel near full,
      // the others low.
      int pure = 0;
      each_pixel(b.bitmap, [&](int x, int y, int p) {
         const int c[3] = {getr(p), getg(p), getb(p)};
         pure += !b.masked(x, y) && c[ball.channel] >= 230 && c[(ball.channel + 1) % 3] <= 50 &&
                 c[(ball.channel + 2) % 3] <= 50;
      });
      EXPECT_GE(pure, 12) << ball.name;
   }
}

// The mean x of the opaque pixels.
double opaque_middle(const Loaded &image)
{
   double sum = 0;
   long n = 0;
   each_pixel(image.bitmap, [&](int x, int y, int) {
      if (!image.masked(x, y)) {
         sum += x + 0.5;
         n++;
      }
   });
   return n ? sum / n : -1;
}

bool row_has_ink(const Loaded &image, int y)
{
   for (int x = 0; x < image.bitmap->w; x++) {
      if (!image.masked(x, y))
         return true;
   }
   return false;
}

TEST(ArtFiles, TheHandIsCentredOnItsBarWhetherMirroredOrNot)
{
   Loaded hand("hand.gif");
   ASSERT_TRUE(hand.bitmap);
   EXPECT_TRUE(sized(hand.bitmap, 62, 62, 40, 45));
   EXPECT_TRUE(hand.clear_around(true));
   // Left hand at x1 - 17, right hand mirrored at x1 - 5: both centred on
   // the bar's middle x1 + 20 only when the hand's middle is at 37. The
   // thumb pulls the mean a little to the left.
   EXPECT_NEAR(opaque_middle(hand), 37, 3.5);
   EXPECT_TRUE(row_has_ink(hand, hand.bitmap->h - 3));
}

TEST(ArtFiles, TheJugglerStandsOnTheBottomEdge)
{
   Loaded juggler("Character.gif");
   ASSERT_TRUE(juggler.bitmap);
   EXPECT_TRUE(sized(juggler.bitmap, 70, 90, 110, 140));
   EXPECT_TRUE(juggler.clear_around(true));
   EXPECT_TRUE(row_has_ink(juggler, juggler.bitmap->h - 1) || row_has_ink(juggler, juggler.bitmap->h - 2));
   EXPECT_NEAR(opaque_middle(juggler), juggler.bitmap->w / 2.0, 2);
}

TEST(ArtFiles, TheSparkIsABrightStarWithTransparencyAround)
{
   Loaded spark("particle.gif");
   ASSERT_TRUE(spark.bitmap);
   EXPECT_TRUE(sized(spark.bitmap, 14, 18, 14, 18));
   EXPECT_TRUE(spark.masked(0, 0));
   EXPECT_TRUE(spark.masked(spark.bitmap->w - 1, spark.bitmap->h - 1));
   const int p = getpixel(spark.bitmap, spark.bitmap->w / 2, spark.bitmap->h / 2);
   EXPECT_GE(getr(p), 240);
   EXPECT_GE(getg(p), 220);
}

TEST(ArtFiles, FontsLoadAsMonoFontsOfTheirHeight)
{
   const struct {
      const char *name;
      int height;
   } fonts[] = {{"scores_20.pcx", 20}, {"menufont_22.pcx", 22}};
   for (const auto &f : fonts) {
      set_color_depth(16);
      FONT *font = load_font(committed(f.name).c_str(), nullptr, nullptr);
      ASSERT_TRUE(font) << f.name;
      EXPECT_TRUE(is_mono_font(font)) << f.name;
      EXPECT_EQ(text_height(font), f.height) << f.name;
      EXPECT_EQ(get_font_range_begin(font, -1), 32) << f.name;
      EXPECT_GE(get_font_range_end(font, -1), 126) << f.name;
      // Digits of one width, so a changing score does not jiggle.
      const int zero = text_length(font, "0");
      EXPECT_GT(zero, 6) << f.name;
      for (char d = '1'; d <= '9'; d++) {
         const char digit[2] = {d, 0};
         EXPECT_EQ(text_length(font, digit), zero) << f.name << " digit " << d;
      }
      EXPECT_GT(text_length(font, "W"), text_length(font, "i")) << f.name;
      destroy_font(font);
   }
}

// Printing the digits in a colour gives that colour and nothing else.
TEST(ArtFiles, TheScoreFontPrintsInTheColourGiven)
{
   set_color_depth(16);
   FONT *font = load_font(committed("scores_20.pcx").c_str(), nullptr, nullptr);
   ASSERT_TRUE(font);
   BITMAP *page = create_bitmap(200, 40);
   clear_to_color(page, makecol(0, 0, 0));
   textout_ex(page, font, "0123456789", 0, 0, makecol(253, 253, 51), -1);
   int ink = 0, other = 0;
   each_pixel(page, [&](int, int, int p) {
      if (p == makecol(253, 253, 51))
         ink++;
      else if (p != makecol(0, 0, 0))
         other++;
   });
   EXPECT_GT(ink, 300);
   EXPECT_EQ(other, 0);
   destroy_bitmap(page);
   destroy_font(font);
}

}  // namespace
