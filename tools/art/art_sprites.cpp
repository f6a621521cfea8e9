#include "art_sprites.h"

#include <algorithm>
#include <cmath>

namespace {

const Rgb kInk = {52, 28, 20};
const Rgb kGlove = {252, 250, 244};
const Rgb kGloveShade = {212, 210, 222};
const Rgb kTeal = {30, 150, 158};
const Rgb kTealShade = {20, 110, 122};
const Rgb kPlum = {128, 60, 168};
const Rgb kPlumShade = {92, 40, 126};
const Rgb kGold = {250, 200, 50};
const Rgb kGoldShade = {200, 140, 30};
const Rgb kSkin = {252, 212, 176};
const Rgb kCheek = {244, 140, 128};
const Rgb kNose = {226, 52, 44};
const Rgb kRuff = {250, 246, 232};

float length(float x, float y, float z)
{
   return std::sqrt(x * x + y * y + z * z);
}

}  // namespace

Layer make_ball(Rgb base, int size)
{
   const int s = kSupersample;
   const float r = size / 2.0f;
   // Light from the upper left and in front; the highlight where the
   // light's reflection meets the eye.
   const float lx = -0.45f, ly = -0.6f, lz = 0.66f;
   const float ll = length(lx, ly, lz);
   const float hx = lx / ll, hy = ly / ll, hz = lz / ll + 1;
   const float hl = length(hx, hy, hz);
   Layer big(size * s, size * s);
   for (int y = 0; y < big.h; y++) {
      for (int x = 0; x < big.w; x++) {
         const float dx = ((float(x) + 0.5f) / s - r) / r;
         const float dy = ((float(y) + 0.5f) / s - r) / r;
         const float d2 = dx * dx + dy * dy;
         if (d2 > 1)
            continue;
         const float nz = std::sqrt(1 - d2);
         const float diffuse = std::max(0.0f, (dx * lx + dy * ly + nz * lz) / ll);
         const float specular = std::pow(std::max(0.0f, (dx * hx + dy * hy + nz * hz) / hl), 28.0f);
         // Light bounced up from below keeps the shaded side from going black.
         const float bounce = 0.12f * std::max(0.0f, dy) * (1 - nz);
         Rgb c = scale(base, std::min(1.0f, 0.2f + 0.85f * diffuse + bounce));
         c = mix(c, {255, 255, 255}, 0.9f * specular);
         big.at(x, y) = opaque(c);
      }
   }
   return average_down(big);
}

Layer make_hand()
{
   Canvas canvas(kHandW, kHandH);
   const float m = kHandMiddle;
   const float ow = 1.4f;
   struct Finger {
      Point base, tip;
      float width;
   };
   const Finger fingers[] = {
      {{m - 10.5f, 26}, {m - 13.0f, 11.0f}, 7.0f},
      {{m - 3.5f, 24}, {m - 4.0f, 6.5f}, 7.4f},
      {{m + 3.5f, 24}, {m + 5.0f, 8.0f}, 7.0f},
      {{m + 10.0f, 26}, {m + 13.5f, 14.0f}, 6.2f},
   };
   const Point thumbBase = {m - 12, 33}, thumbTip = {m - 26, 22};
   const float palmY = 30, palmRx = 15.5f, palmRy = 11;
   const std::vector<Point> cuff = {{m - 9, 36}, {m + 9, 36}, {m + 9, 41.5f}, {m - 9, 41.5f}};

   // The palm's outline first, so that fingers and thumb sit on it and
   // the palm's fill then hides where they join.
   canvas.ellipse(m, palmY, palmRx + ow, palmRy + ow, kInk);
   canvas.grown_polygon(cuff, ow + 0.8f, kInk);
   canvas.grown_polygon(cuff, 0.8f, kPlum);
   canvas.capsule({m - 9, 40}, {m + 9, 40}, 2.0f, kPlumShade);
   for (const Finger &f : fingers) {
      canvas.capsule(f.base, f.tip, f.width + 2 * ow, kInk);
      canvas.capsule(f.base, f.tip, f.width, kGlove);
      // A shade along each finger's right side.
      canvas.capsule({f.base.x + f.width * 0.28f, f.base.y}, {f.tip.x + f.width * 0.28f, f.tip.y + 1.2f},
                     f.width * 0.3f, kGloveShade);
   }
   canvas.capsule(thumbBase, thumbTip, 8 + 2 * ow, kInk);
   canvas.capsule(thumbBase, thumbTip, 8, kGlove);
   canvas.ellipse(m, palmY, palmRx, palmRy, kGloveShade);
   canvas.ellipse(m - 1.5f, palmY - 1.5f, palmRx - 2, palmRy - 2, kGlove);
   // The crease round the ball of the thumb, as in a cupped palm.
   canvas.stroke({{m - 6, 25.5f}, {m - 5.5f, 29.5f}, {m - 3, 33}, {m + 1, 35}}, 1.1f, kGloveShade);
   return canvas.downsample();
}

namespace {

// A polygon with an ink outline.
void inked(Canvas &canvas, const std::vector<Point> &points, Rgb fill, float ow)
{
   canvas.grown_polygon(points, ow, kInk);
   canvas.polygon(points, fill);
}

void inked_capsule(Canvas &canvas, Point a, Point b, float width, Rgb fill, float ow)
{
   canvas.capsule(a, b, width + 2 * ow, kInk);
   canvas.capsule(a, b, width, fill);
}

void inked_circle(Canvas &canvas, Point c, float r, Rgb fill, float ow)
{
   canvas.circle(c.x, c.y, r + ow, kInk);
   canvas.circle(c.x, c.y, r, fill);
}

// An open gloved hand at the end of an arm from `elbow`, fingers fanned
// upward and outward to `side` (-1 left, 1 right), thumb inward, and a
// gold cuff across the arm.
void glove(Canvas &canvas, Point hand, Point elbow, int side)
{
   const float sx = float(side);
   std::vector<Point> tips;
   for (int k = 0; k < 4; k++) {
      const float a = -1.9f + 0.38f * float(k) - 0.25f;
      tips.push_back({hand.x - sx * std::cos(a) * 8.5f, hand.y + std::sin(a) * 8.5f});
   }
   const Point thumb = {hand.x - sx * 7, hand.y + 2};
   // Outlines of all parts first, so that the fills join into one glove.
   for (const Point &tip : tips)
      canvas.capsule(hand, tip, 3.2f + 2.4f, kInk);
   canvas.capsule(hand, thumb, 3.4f + 2.4f, kInk);
   canvas.circle(hand.x, hand.y, 4.5f + 1.2f, kInk);
   for (const Point &tip : tips)
      canvas.capsule(hand, tip, 3.2f, kGlove);
   canvas.capsule(hand, thumb, 3.4f, kGlove);
   canvas.circle(hand.x, hand.y, 4.5f, kGlove);

   const float dx = elbow.x - hand.x, dy = elbow.y - hand.y;
   const float d = std::sqrt(dx * dx + dy * dy);
   const Point cuff = {hand.x + dx * 0.42f, hand.y + dy * 0.42f};
   const float px = -dy / d * 3.5f, py = dx / d * 3.5f;
   inked_capsule(canvas, {cuff.x - px, cuff.y - py}, {cuff.x + px, cuff.y + py}, 3, kGold, 1.0f);
}

// A bell: a gold ball with a shine.
void bell(Canvas &canvas, Point c, float r, float ow)
{
   inked_circle(canvas, c, r, kGold, ow);
   canvas.circle(c.x + r * 0.25f, c.y + r * 0.25f, r * 0.7f, kGoldShade);
   canvas.circle(c.x - r * 0.1f, c.y - r * 0.1f, r * 0.65f, kGold);
   canvas.circle(c.x - r * 0.35f, c.y - r * 0.35f, r * 0.25f, {255, 248, 210});
}

}  // namespace

Layer make_character()
{
   const int w = 84, h = 128;
   Canvas canvas(w, h);
   const float cx = w / 2.0f;
   const float ow = 1.5f;

   // Legs and shoes, the left in plum and the right in teal.
   inked_capsule(canvas, {cx - 6, 96}, {cx - 7, 119}, 9, kPlum, ow);
   inked_capsule(canvas, {cx + 6, 96}, {cx + 7, 119}, 9, kTeal, ow);
   for (int side = -1; side <= 1; side += 2) {
      const float sx = float(side);
      const std::vector<Point> shoe = {{cx + sx * 3, 120}, {cx + sx * 12, 118.5f}, {cx + sx * 19, 115},
                                       {cx + sx * 21, 118}, {cx + sx * 17, 126.3f}, {cx + sx * 3, 126.3f}};
      inked(canvas, shoe, side < 0 ? kTealShade : kPlumShade, ow);
      bell(canvas, {cx + sx * 21, 115}, 2.6f, 1.0f);
   }

   // Arms raised outward, sleeves in the other colour of each side.
   const Point shoulderL = {cx - 11, 60}, elbowL = {cx - 23, 52}, handL = {cx - 31, 37};
   const Point shoulderR = {cx + 11, 60}, elbowR = {cx + 23, 52}, handR = {cx + 31, 37};
   canvas.stroke({shoulderL, elbowL, handL}, 8 + 2 * ow, kInk);
   canvas.stroke({shoulderR, elbowR, handR}, 8 + 2 * ow, kInk);
   canvas.stroke({shoulderL, elbowL, handL}, 8, kTeal);
   canvas.stroke({shoulderR, elbowR, handR}, 8, kPlum);
   glove(canvas, handL, elbowL, -1);
   glove(canvas, handR, elbowR, 1);

   // The tunic: plum on the left, teal on the right, a pointed hem.
   const std::vector<Point> tunic = {{cx - 12, 55}, {cx + 12, 55}, {cx + 20, 100}, {cx + 14, 95},
                                     {cx + 7, 101}, {cx, 95}, {cx - 7, 101}, {cx - 14, 95},
                                     {cx - 20, 100}};
   canvas.grown_polygon(tunic, ow, kInk);
   canvas.polygon({{cx - 12, 55}, {cx, 55}, {cx, 95}, {cx - 7, 101}, {cx - 14, 95}, {cx - 20, 100}}, kPlum);
   canvas.polygon({{cx, 55}, {cx + 12, 55}, {cx + 20, 100}, {cx + 14, 95}, {cx + 7, 101}, {cx, 95}}, kTeal);
   // Shading along the tunic's outer sides.
   canvas.polygon({{cx - 12, 55}, {cx - 9, 55}, {cx - 15, 96}, {cx - 20, 100}}, kPlumShade);
   canvas.polygon({{cx + 9, 55}, {cx + 12, 55}, {cx + 20, 100}, {cx + 15, 96}}, kTealShade);
   // Belt and buttons.
   inked(canvas, {{cx - 15.5f, 80}, {cx + 15.5f, 80}, {cx + 16.3f, 85}, {cx - 16.3f, 85}}, kGold, 1.0f);
   inked(canvas, {{cx - 3, 79}, {cx + 3, 79}, {cx + 3, 86}, {cx - 3, 86}}, kGoldShade, 1.0f);
   inked_circle(canvas, {cx, 66}, 1.8f, kGold, 0.9f);
   inked_circle(canvas, {cx, 73}, 1.8f, kGold, 0.9f);

   // The ruff: a zigzag collar.
   std::vector<Point> ruff;
   for (int k = 0; k <= 12; k++) {
      const float t = float(k) / 12;
      const float x = cx - 15 + 30 * t;
      ruff.push_back({x, 55 + (k % 2 ? 6.5f : 3.0f) - 3 * std::sin(t * 3.14159f)});
   }
   ruff.push_back({cx + 12, 50});
   ruff.push_back({cx - 12, 50});
   inked(canvas, ruff, kRuff, 1.2f);

   // The head.
   const Point head = {cx, 40};
   inked_circle(canvas, head, 13, kSkin, ow);
   canvas.circle(head.x - 8, head.y + 5.5f, 2.6f, kCheek);
   canvas.circle(head.x + 8, head.y + 5.5f, 2.6f, kCheek);
   for (int side = -1; side <= 1; side += 2) {
      const float ex = head.x + float(side) * 5.0f;
      canvas.ellipse(ex, head.y - 0.2f, 1.9f, 2.7f, kInk);
      canvas.circle(ex - 0.6f, head.y - 1.1f, 0.7f, {255, 255, 255});
   }
   std::vector<Point> smile;
   for (int k = 0; k <= 8; k++) {
      const float a = 0.45f + 2.24f * float(k) / 8;
      smile.push_back({head.x + 6 * std::cos(a), head.y + 4.5f + 4.2f * std::sin(a)});
   }
   canvas.stroke(smile, 1.5f, kInk);
   inked_circle(canvas, {head.x, head.y + 4.2f}, 2.3f, kNose, 0.9f);
   canvas.circle(head.x - 0.8f, head.y + 3.4f, 0.8f, {255, 200, 190});

   // The jester's hat: three floppy points with bells, and a band.
   struct HatPoint {
      std::vector<Point> shape;
      Rgb fill;
      Point tip;
   };
   const HatPoint points[] = {
      {{{cx - 12, 31}, {cx - 18, 22}, {cx - 24, 16}, {cx - 27, 19.5f}, {cx - 23, 14}, {cx - 14, 17}, {cx - 3, 27}},
       kTeal,
       {cx - 27, 19.5f}},
      {{{cx + 12, 31}, {cx + 18, 22}, {cx + 24, 16}, {cx + 27, 19.5f}, {cx + 23, 14}, {cx + 14, 17}, {cx + 3, 27}},
       kTeal,
       {cx + 27, 19.5f}},
      {{{cx - 8, 28}, {cx - 7, 16}, {cx - 2, 8.5f}, {cx + 5, 5.5f}, {cx + 3, 10.5f}, {cx + 4, 18}, {cx + 8, 28}},
       kPlum,
       {cx + 5, 5.5f}},
   };
   for (const HatPoint &p : points)
      inked(canvas, p.shape, p.fill, ow);
   for (const HatPoint &p : points)
      bell(canvas, p.tip, 3.2f, 1.1f);
   std::vector<Point> band;
   for (int k = 0; k <= 10; k++) {
      const float a = 3.14159f + 3.14159f * float(k) / 10;
      band.push_back({head.x + 13 * std::cos(a), head.y - 7.5f + 3.5f * std::sin(a)});
   }
   canvas.stroke(band, 4 + 2 * ow, kInk);
   canvas.stroke(band, 4, kGold);
   return canvas.downsample();
}

Layer make_particle()
{
   const int size = 16, s = kSupersample;
   const float c = size / 2.0f;
   Layer big(size * s, size * s);
   // How bright a ray of `length` and half-width `width` at its root is at
   // `along` from the middle and `across` from its axis.
   auto ray = [](float along, float across, float length, float width) {
      const float t = along / length;
      if (t >= 1)
         return 0.0f;
      const float half = width * (1 - t) + 0.45f;
      return std::max(0.0f, 1 - across / half);
   };
   for (int y = 0; y < big.h; y++) {
      for (int x = 0; x < big.w; x++) {
         const float dx = (float(x) + 0.5f) / s - c, dy = (float(y) + 0.5f) / s - c;
         const float r = std::sqrt(dx * dx + dy * dy);
         const float ax = std::fabs(dx), ay = std::fabs(dy);
         const float u = std::fabs(dx + dy) * 0.7071f, v = std::fabs(dx - dy) * 0.7071f;
         // Four long rays along the axes, four short ones between them.
         const float star = std::max({ray(ax, ay, 8.2f, 1.7f), ray(ay, ax, 8.2f, 1.7f),
                                      0.9f * ray(u, v, 6.0f, 1.3f), 0.9f * ray(v, u, 6.0f, 1.3f)});
         const float core = std::max(0.0f, 1 - r / 3.2f);
         const float glow = std::exp(-r * r / (2 * 3.6f * 3.6f));
         Rgb color = mix({255, 130, 20}, {255, 214, 60}, std::min(1.0f, glow * 1.3f));
         color = mix(color, {255, 244, 130}, std::min(1.0f, star * 1.5f));
         color = mix(color, {255, 255, 245}, std::min(1.0f, core * 1.8f));
         const float alpha = std::min(1.0f, std::max({star * 2.0f, core * 2, glow * 1.1f}));
         big.at(x, y) = with_alpha(color, alpha);
      }
   }
   return average_down(big);
}

Layer make_marks()
{
   const Rgb ink = {0, 0, 0}, white = {255, 255, 255};
   Canvas canvas(3 * kMarkSize, kMarkSize);
   const float m = kMarkSize;
   canvas.circle(m / 2, m / 2, 4.6f, ink);
   canvas.circle(m / 2, m / 2, 3.3f, white);
   const std::vector<Point> triangle = {{m + 5, 1.6f}, {m + 8.6f, 8.2f}, {m + 1.4f, 8.2f}};
   canvas.grown_polygon(triangle, 1.2f, ink);
   canvas.polygon(triangle, white);
   const std::vector<Point> square = {{2 * m + 2.4f, 2.4f}, {2 * m + 7.6f, 2.4f},
                                      {2 * m + 7.6f, 7.6f}, {2 * m + 2.4f, 7.6f}};
   canvas.grown_polygon(square, 1.2f, ink);
   canvas.polygon(square, white);
   return canvas.downsample();
}
