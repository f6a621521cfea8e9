// The playfield's picture: gauges, score, targets, ball shadows and hands
// where they belong, and translucent objects drawn through the corner of
// the scratch bitmap exactly as through the whole of it.
#include "audio/sound.h"
#include "game/game.h"
#include "game/particle.h"
#include "gif/gif.h"
#include "playfield_fixture.h"
#include "screens/marks.h"
#include "screens/playfield.h"
#include "screens/playfield_drawing.h"
#include "shell/assets.h"

namespace {

using Drawing = PlayfieldTest;

BitmapPtr copyOf(BITMAP *source)
{
   BitmapPtr copy(create_bitmap(source->w, source->h));
   blit(source, copy.get(), 0, 0, 0, 0, source->w, source->h);
   return copy;
}

// The first pixel where two bitmaps differ, as "x,y", or "".
std::string firstDifference(BITMAP *a, BITMAP *b)
{
   for (int y = 0; y < a->h; y++) {
      for (int x = 0; x < a->w; x++) {
         if (getpixel(a, x, y) != getpixel(b, x, y))
            return std::to_string(x) + "," + std::to_string(y);
      }
   }
   return "";
}

TEST_F(Drawing, GaugesAndScore)
{
   quietGame();
   played().leftHand.power = 2.0f;
   played().rightHand.power = 5.5f;
   played().energy = 5;
   played().hitTimer = 2.5f;
   played().score = 12345;
   drawGame();
   const int powerFill = makecol(150, 0, 0), powerFrame = makecol(0, 50, 0);
   const struct {
      int x, y, colour;
      bool is;
   } pixels[] = {
      // Left power 2: from 475 up to 440, outlined at its own corners.
      {7, 441, powerFill, true},
      {7, 440, powerFrame, true},
      {5, 475, powerFrame, true},
      {7, 439, powerFrame, false},
      {9, 460, powerFrame, true},
      {10, 460, powerFrame, false},
      {10, 460, powerFill, false},
      // Right power 5.5: up to 370.
      {632, 371, powerFill, true},
      {632, 370, powerFrame, true},
      {632, 369, powerFrame, false},
      // Energy 5: half of the frame's 200 pixels.
      {104, 7, makecol(255, 200, 200), true},
      {106, 7, makecol(255, 200, 200), false},
      {205, 7, makecol(105, 50, 50), true},
      {150, 5, makecol(105, 50, 50), true},
      {150, 10, makecol(105, 50, 50), true},
      {150, 11, makecol(105, 50, 50), false},
      // 7.5 s left before the drain: 150 pixels.
      {154, 14, makecol(200, 200, 255), true},
      {156, 14, makecol(200, 200, 255), false},
      {205, 14, makecol(50, 50, 105), true},
      {150, 12, makecol(50, 50, 105), true},
      {150, 17, makecol(50, 50, 105), true},
      {150, 18, makecol(50, 50, 105), false},
   };
   for (const auto &p : pixels)
      EXPECT_EQ(getpixel(backBuffer, p.x, p.y) == p.colour, p.is) << p.x << "," << p.y;

   // The yellow number at (520, 20) over its black shadow one pixel down
   // and right.
   BitmapPtr ink(create_bitmap(640, 480));
   clear_bitmap(ink.get());
   textprintf_ex(ink.get(), scoresFont, 520, 20, makecol(255, 255, 255), -1, "12345");
   int inked = 0;
   for (int y = 0; y < 479; y++) {
      for (int x = 0; x < 639; x++) {
         if (getpixel(ink.get(), x, y) == 0)
            continue;
         inked++;
         ASSERT_EQ(getpixel(backBuffer, x, y), makecol(253, 253, 51)) << x << "," << y;
         if (getpixel(ink.get(), x + 1, y + 1) == 0) {
            ASSERT_EQ(getpixel(backBuffer, x + 1, y + 1), 0) << x + 1 << "," << y + 1;
         }
      }
   }
   EXPECT_GT(inked, 100);
}

TEST_F(Drawing, TargetsBallShadowsAndHandsInTheirPlaces)
{
   const int white = makecol(255, 255, 255);
   // A red-and-green target over black: a translucent (154, 154, 0) disc,
   // ringed in white while it waits.
   quietGame();
   Powerup target = played().targets[0];
   target.kind = 3;
   target.restoreColours();
   target.x = 300;
   target.y = 200;
   target.radius = 30;
   for (bool flashing : {false, true}) {
      target.flashing = flashing;
      clear_bitmap(backBuffer);
      set_trans_blender(128, 128, 128, 200);
      drawTarget(target);
      solid_mode();
      const int inside = getpixel(backBuffer, 300, 200);
      EXPECT_NEAR(getr(inside), 154 * 200 / 255, 8);
      EXPECT_NEAR(getg(inside), 154 * 200 / 255, 8);
      EXPECT_EQ(getb(inside), 0);
      EXPECT_EQ(getpixel(backBuffer, 331, 200) == white, flashing);
      EXPECT_EQ(getpixel(backBuffer, 300, 169) == white, flashing);
   }

   // The shadow's disc is centred at (trunc(x - 5) + r, trunc(y - 5) + r):
   // here (8, 205).
   Ball ball(0, 0, 10, kGreenBallValue);
   ball.x = 2.7f;
   ball.y = 200.3f;
   clear_to_color(backBuffer, white);
   drawBall(ball);
   EXPECT_NE(getpixel(backBuffer, 18, 205), white);
   EXPECT_EQ(getpixel(backBuffer, 19, 205), white);
   EXPECT_NE(getpixel(backBuffer, 8, 215), white);
   EXPECT_EQ(getpixel(backBuffer, 8, 216), white);
   EXPECT_EQ(getpixel(backBuffer, 2, 200), getpixel(ballGreen, 9, 10));

   // Hands: the image's top at y = 423 for power 2 and 437 for 5.5; the
   // right hand mirrored.
   BitmapPtr expected(create_bitmap(640, 480));
   for (float power : {2.0f, 5.5f}) {
      const int top = power == 2.0f ? 423 : 437;
      played().leftHand.power = played().rightHand.power = power;
      played().leftHand.tilt = played().rightHand.tilt = 0;
      clear_bitmap(backBuffer);
      drawHand(played().leftHand, HandSide::Left);
      drawHand(played().rightHand, HandSide::Right);
      clear_bitmap(expected.get());
      draw_sprite(expected.get(), handImage, played().leftHand.x1 - 17, top);
      draw_sprite_h_flip(expected.get(), handImage, played().rightHand.x1 - 5, top);
      EXPECT_EQ(firstDifference(backBuffer, expected.get()), "") << power;
   }
   // Tilted either way: as the library's own rotation draws them.
   for (float tilt : {-15.0f, -4.0f, 9.5f}) {
      played().leftHand.tilt = played().rightHand.tilt = tilt;
      clear_bitmap(backBuffer);
      drawHand(played().leftHand, HandSide::Left);
      drawHand(played().rightHand, HandSide::Right);
      clear_bitmap(expected.get());
      const fixed turn = ftofix(int(1.5f * tilt));
      rotate_sprite(expected.get(), handImage, played().leftHand.x1 - 17, 437, turn);
      rotate_sprite_v_flip(expected.get(), handImage, played().rightHand.x1 - 5, 437,
                           turn + itofix(128));
      EXPECT_EQ(firstDifference(backBuffer, expected.get()), "") << tilt;
   }
   // Near the left edge, partly off the picture.
   played().leftHand.x1 = 2;
   clear_bitmap(backBuffer);
   drawHand(played().leftHand, HandSide::Left);
   EXPECT_NE(getpixel(backBuffer, 10, 460), 0);
}

TEST_F(Drawing, TranslucentObjectsLookAsThroughTheWholeScratchBitmap)
{
   const int mask = makecol(255, 0, 255);
   BitmapPtr before = copyOf(texture);
   auto compare = [&](const std::function<void()> &ours, const std::function<void()> &plain,
                      const std::string &what) {
      blit(before.get(), backBuffer, 0, 0, 0, 0, 640, 480);
      ours();
      BitmapPtr got = copyOf(backBuffer);
      blit(before.get(), backBuffer, 0, 0, 0, 0, 640, 480);
      plain();
      EXPECT_EQ(firstDifference(got.get(), backBuffer), "") << what;
   };

   for (float x : {-8.5f, 3.2f, 320.9f, 636.0f}) {
      Ball ball(0, 0, 10, kBlueBallValue);
      ball.x = x;
      ball.y = x / 2 + 100;
      compare([&] { drawBall(ball); },
              [&] {
                 set_trans_blender(254, 254, 254, 100);
                 clear_to_color(workBitmap, mask);
                 circlefill(workBitmap, 10, 10, 10, makecol(0, 0, 0));
                 draw_trans_sprite(backBuffer, workBitmap, int(ball.x - 5), int(ball.y - 5));
                 solid_mode();
                 draw_sprite(backBuffer, ballBlue, int(ball.x - 10), int(ball.y - 10));
              },
              "ball at " + std::to_string(x));
   }

   // Every radius and kind, some past the edges.
   quietGame();
   for (int radius = 20; radius < 50; radius++) {
      const int kind = radius % 7;
      Powerup target = played().targets[0];
      target.kind = kind;
      target.restoreColours();
      target.radius = radius;
      target.x = (radius - 20) * 23;
      target.y = (radius - 20) * 17;
      target.flashing = kind % 2;
      const auto r = target.radius;
      const auto disc =
         makecol(154 * target.needRed, 154 * target.needGreen, 154 * target.needBlue);
      const auto rim = makecol(55 * target.needRed, 55 * target.needGreen, 55 * target.needBlue);
      compare(
         [&] {
            set_trans_blender(128, 128, 128, 200);
            drawTarget(target);
            solid_mode();
         },
         [&] {
            set_trans_blender(128, 128, 128, 200);
            clear_to_color(workBitmap, mask);
            circlefill(workBitmap, r, r, r, disc);
            draw_trans_sprite(backBuffer, workBitmap, target.x - r, target.y - r);
            clear_to_color(workBitmap, mask);
            circle(workBitmap, r, r, r, rim);
            circle(workBitmap, r, r, r - 1, rim);
            draw_trans_sprite(backBuffer, workBitmap, target.x - r, target.y - r);
            if (target.flashing) {
               circle(backBuffer, target.x, target.y, r, makecol(255, 255, 255));
               circle(backBuffer, target.x, target.y, r + 1, makecol(255, 255, 255));
            }
            solid_mode();
         },
         "target of radius " + std::to_string(radius));
   }

   // Every angle of a spark, at every few alphas, some past the edges.
   played().sparks.clear();
   GameRandom numbers;
   for (int angle = 0; angle <= 256; angle++) {
      played().sparks.push_back(Particle(0, 0, numbers));
      Particle &spark = played().sparks.back();
      spark.angle = angle;
      spark.alpha = 2 + angle % 253;
      spark.drawX = (angle * 37) % 700 - 20;
      spark.drawY = (angle * 53) % 520 - 20;
   }
   compare([] { drawSparks(played().sparks); },
           [&] {
              for (const Particle &spark : played().sparks) {
                 set_trans_blender(254, 254, 254, spark.alpha);
                 clear_to_color(workBitmap, mask);
                 rotate_sprite(workBitmap, particleImage, 0, 0, itofix(spark.angle));
                 draw_trans_sprite(backBuffer, workBitmap, spark.drawX - particleImage->w,
                                   spark.drawY - particleImage->h);
                 solid_mode();
              }
           },
           "sparks");

   for (int value : {0, 7, 210, 1750, 123456789, -40}) {
      TextFade popup(value, value % 600, 100);
      popup.y = 99.6f;
      popup.alpha = 1 + std::abs(value) % 255;
      compare([&] { drawPopup(popup); },
              [&] {
                 set_trans_blender(0, 0, 0, popup.alpha);
                 clear_to_color(workBitmap, mask);
                 textprintf_ex(workBitmap, scoresFont, 0, 0, makecol(255, 255, 0), -1, "%i", value);
                 draw_trans_sprite(backBuffer, workBitmap, popup.x, int(popup.y));
                 solid_mode();
              },
              "popup of " + std::to_string(value));
   }
}

// Whether the mark of `colour` (its opaque pixels in the marks image)
// shows centred at (x, y).
bool markAt(int colour, int x, int y)
{
   const int mask = bitmap_mask_color(marksImage);
   for (int j = 0; j < 10; j++) {
      for (int i = 0; i < 10; i++) {
         const int c = getpixel(marksImage, colour * 10 + i, j);
         if (c != mask && getpixel(backBuffer, x - 5 + i, y - 5 + j) != c)
            return false;
      }
   }
   return true;
}

TEST_F(Drawing, MarksOnEachBallAndOnATargetOfEachKindOnlyWhenAsked)
{
   quietGame();
   // Kinds 0 to 6 need red; green; blue; red and green; red and blue;
   // green and blue; all three.
   const std::vector<std::vector<int>> needs = {{RedBall},
                                                {GreenBall},
                                                {BlueBall},
                                                {RedBall, GreenBall},
                                                {RedBall, BlueBall},
                                                {GreenBall, BlueBall},
                                                {RedBall, GreenBall, BlueBall}};
   for (bool shown : {false, true}) {
      showMarks = shown;
      clear_bitmap(backBuffer);
      set_trans_blender(128, 128, 128, 200);  // the played().targets' blender, as drawGame sets it
      for (int kind = 0; kind < 7; kind++) {
         GameRandom numbers;
         Powerup target(numbers);
         target.kind = kind;
         target.restoreColours();
         target.radius = 30;
         target.x = 50 + 80 * kind;
         target.y = 100;
         drawTarget(target);
         const int count = int(needs[size_t(kind)].size());
         for (int i = 0; i < count; i++)
            EXPECT_EQ(
               markAt(needs[size_t(kind)][size_t(i)], target.x - (count - 1) * 5 + 10 * i, 100),
               shown)
               << "kind " << kind << ", mark " << i;
      }
      for (int b = 0; b < 3; b++) {
         played().balls[size_t(b)].x = float(100 + 60 * b);
         played().balls[size_t(b)].y = 300;
         drawBall(played().balls[size_t(b)]);
         EXPECT_EQ(markAt(b, 100 + 60 * b, 300), shown) << "ball " << b;
      }
   }
   showMarks = false;
}

}  // namespace
