#include "art_image.h"

#include <cmath>
#include <stdexcept>

Rgb mix(Rgb a, Rgb b, float t)
{
   return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb scale(Rgb c, float k)
{
   return {c.r * k, c.g * k, c.b * k};
}

namespace {

float linear(float component)
{
   const float v = component / 255.0f;
   return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

int to_byte(float v)
{
   const long rounded = std::lround(v);
   return rounded < 0 ? 0 : rounded > 255 ? 255 : int(rounded);
}

}  // namespace

float luminance(Rgb c)
{
   return 0.2126f * linear(c.r) + 0.7152f * linear(c.g) + 0.0722f * linear(c.b);
}

Layer::Layer(int width, int height) : w(width), h(height), pixels(size_t(width) * height, {0, 0, 0, 0})
{
}

Rgba opaque(Rgb c)
{
   return {c.r, c.g, c.b, 1.0f};
}

Rgba with_alpha(Rgb c, float a)
{
   return {c.r * a, c.g * a, c.b * a, a};
}

Rgba over(Rgba top, Rgba bottom)
{
   const float k = 1.0f - top.a;
   return {top.r + bottom.r * k, top.g + bottom.g * k, top.b + bottom.b * k, top.a + bottom.a * k};
}

void draw_layer(Layer *bottom, const Layer &top, int x, int y)
{
   for (int ty = 0; ty < top.h; ty++) {
      const int by = y + ty;
      if (by < 0 || by >= bottom->h)
         continue;
      for (int tx = 0; tx < top.w; tx++) {
         const int bx = x + tx;
         if (bx >= 0 && bx < bottom->w)
            bottom->at(bx, by) = over(top.at(tx, ty), bottom->at(bx, by));
      }
   }
}

Layer crop(const Layer &layer, int x, int y, int w, int h)
{
   Layer out(w, h);
   for (int row = 0; row < h; row++) {
      for (int col = 0; col < w; col++)
         out.at(col, row) = layer.at(x + col, y + row);
   }
   return out;
}

Layer average_down(const Layer &big)
{
   const int s = kSupersample;
   const float n = float(s * s);
   Layer out(big.w / s, big.h / s);
   for (int y = 0; y < out.h; y++) {
      for (int x = 0; x < out.w; x++) {
         Rgba sum = {0, 0, 0, 0};
         for (int j = 0; j < s; j++) {
            for (int i = 0; i < s; i++) {
               const Rgba &q = big.at(x * s + i, y * s + j);
               sum = {sum.r + q.r, sum.g + q.g, sum.b + q.b, sum.a + q.a};
            }
         }
         out.at(x, y) = {sum.r / n, sum.g / n, sum.b / n, sum.a / n};
      }
   }
   return out;
}

Canvas::Canvas(int w, int h) : w_(w), h_(h)
{
   bitmap_ = create_bitmap_ex(32, w * kSupersample, h * kSupersample);
   if (!bitmap_)
      throw std::runtime_error("out of memory for a canvas");
   clear_to_color(bitmap_, 0);
}

Canvas::~Canvas()
{
   destroy_bitmap(bitmap_);
}

int Canvas::sx(float x) const
{
   // Canvas pixel i has its centre at picture coordinate (i + 0.5) / s.
   return int(std::lround(x * kSupersample - 0.5f));
}

int Canvas::color(Rgb c) const
{
   return makeacol32(to_byte(c.r), to_byte(c.g), to_byte(c.b), 255);
}

void Canvas::circle(float x, float y, float r, Rgb c)
{
   circlefill(bitmap_, sx(x), sx(y), int(std::lround(r * kSupersample)), color(c));
}

void Canvas::ellipse(float x, float y, float rx, float ry, Rgb c)
{
   ellipsefill(bitmap_, sx(x), sx(y), int(std::lround(rx * kSupersample)),
               int(std::lround(ry * kSupersample)), color(c));
}

void Canvas::polygon(const std::vector<Point> &points, Rgb c)
{
   std::vector<int> coordinates;
   for (const Point &p : points) {
      coordinates.push_back(sx(p.x));
      coordinates.push_back(sx(p.y));
   }
   ::polygon(bitmap_, int(points.size()), coordinates.data(), color(c));
}

void Canvas::capsule(Point a, Point b, float width, Rgb c)
{
   const float r = width / 2;
   const float dx = b.x - a.x, dy = b.y - a.y;
   const float length = std::sqrt(dx * dx + dy * dy);
   if (length > 0) {
      const float nx = -dy / length * r, ny = dx / length * r;
      polygon({{a.x + nx, a.y + ny}, {b.x + nx, b.y + ny}, {b.x - nx, b.y - ny}, {a.x - nx, a.y - ny}},
              c);
   }
   circle(a.x, a.y, r, c);
   circle(b.x, b.y, r, c);
}

void Canvas::stroke(const std::vector<Point> &points, float width, Rgb c)
{
   for (size_t i = 0; i + 1 < points.size(); i++)
      capsule(points[i], points[i + 1], width, c);
}

void Canvas::grown_polygon(const std::vector<Point> &points, float grow, Rgb c)
{
   polygon(points, c);
   for (size_t i = 0; i < points.size(); i++)
      capsule(points[i], points[(i + 1) % points.size()], 2 * grow, c);
}

Layer Canvas::downsample() const
{
   Layer out(w_, h_);
   const float n = kSupersample * kSupersample;
   for (int y = 0; y < h_; y++) {
      for (int x = 0; x < w_; x++) {
         float r = 0, g = 0, b = 0, a = 0;
         for (int j = 0; j < kSupersample; j++) {
            const uint32_t *row = reinterpret_cast<const uint32_t *>(bitmap_->line[y * kSupersample + j]);
            for (int i = 0; i < kSupersample; i++) {
               const uint32_t p = row[x * kSupersample + i];
               const float alpha = float(geta32(p)) / 255.0f;
               r += float(getr32(p)) * alpha;
               g += float(getg32(p)) * alpha;
               b += float(getb32(p)) * alpha;
               a += alpha;
            }
         }
         out.at(x, y) = {r / n, g / n, b / n, a / n};
      }
   }
   return out;
}

Picture to_picture(const Layer &layer, Rgb matte, float threshold)
{
   Picture picture;
   picture.w = layer.w;
   picture.h = layer.h;
   picture.pixels.reserve(layer.pixels.size());
   for (const Rgba &p : layer.pixels) {
      if (p.a < threshold) {
         picture.pixels.push_back(0);
         continue;
      }
      const Rgba c = over(p, opaque(matte));
      picture.pixels.push_back(0xFF000000u | uint32_t(to_byte(c.r)) << 16 |
                               uint32_t(to_byte(c.g)) << 8 | uint32_t(to_byte(c.b)));
   }
   return picture;
}

float lattice_noise(int x, int y, unsigned seed)
{
   uint32_t h = uint32_t(x) * 0x8da6b343u ^ uint32_t(y) * 0xd8163841u ^ seed * 0xcb1ab31fu;
   h ^= h >> 15;
   h *= 0x2c1b3c6du;
   h ^= h >> 12;
   h *= 0x297a2d39u;
   h ^= h >> 15;
   return float(h >> 8) / float(1 << 24);
}

float smooth_noise(float x, float y, float period, int octaves, unsigned seed)
{
   float sum = 0, weight = 0, amplitude = 1;
   for (int o = 0; o < octaves; o++) {
      const float fx = x / period, fy = y / period;
      const int ix = int(std::floor(fx)), iy = int(std::floor(fy));
      float tx = fx - float(ix), ty = fy - float(iy);
      tx = tx * tx * (3 - 2 * tx);
      ty = ty * ty * (3 - 2 * ty);
      const unsigned s = seed + unsigned(o) * 101u;
      const float top = lattice_noise(ix, iy, s) + (lattice_noise(ix + 1, iy, s) - lattice_noise(ix, iy, s)) * tx;
      const float bottom =
         lattice_noise(ix, iy + 1, s) + (lattice_noise(ix + 1, iy + 1, s) - lattice_noise(ix, iy + 1, s)) * tx;
      sum += (top + (bottom - top) * ty) * amplitude;
      weight += amplitude;
      amplitude *= 0.5f;
      period *= 0.5f;
   }
   return sum / weight;
}
