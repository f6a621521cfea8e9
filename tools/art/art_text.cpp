#include "art_text.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

const char kLetteringFace[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

FontFace::FontFace(const char *path, double pixels_per_em)
{
   if (FT_Init_FreeType(&library_) != 0)
      throw std::runtime_error("FreeType cannot start");
   if (FT_New_Face(library_, path, 0, &face_) != 0) {
      FT_Done_FreeType(library_);
      throw std::runtime_error(std::string("cannot open the font ") + path);
   }
   FT_Set_Char_Size(face_, FT_F26Dot6(std::lround(pixels_per_em * 64)), 0, 72, 72);
}

FontFace::~FontFace()
{
   FT_Done_Face(face_);
   FT_Done_FreeType(library_);
}

namespace {

struct Placed {
   int left, top;  // of the glyph bitmap, y up from the baseline
   int w, h;
   std::vector<uint8_t> values;
};

}  // namespace

Coverage render_line(const FontFace &font, const std::string &text,
                     const std::vector<GlyphPose> &poses, float tracking, int margin,
                     int *baseline)
{
   FT_Face face = font.face();
   const float middle = float(face->size->metrics.ascender) / 64.0f * 0.4f;
   std::vector<Placed> glyphs;
   float pen = 0;
   for (size_t i = 0; i < text.size(); i++) {
      FT_Set_Transform(face, nullptr, nullptr);
      if (FT_Load_Char(face, FT_ULong(static_cast<unsigned char>(text[i])), FT_LOAD_NO_HINTING) != 0)
         throw std::runtime_error("a glyph cannot be loaded");
      const float advance = float(face->glyph->advance.x) / 64.0f;

      const GlyphPose pose = i < poses.size() ? poses[i] : GlyphPose{0, 0};
      const float c = std::cos(pose.angle), s = std::sin(pose.angle);
      FT_Matrix matrix;
      matrix.xx = FT_Fixed(std::lround(c * 65536));
      matrix.xy = FT_Fixed(std::lround(-s * 65536));
      matrix.yx = FT_Fixed(std::lround(s * 65536));
      matrix.yy = FT_Fixed(std::lround(c * 65536));
      // Turn about the glyph's middle: origin + m - R m.
      const float mx = advance / 2, my = middle;
      const float ox = pen + mx - (c * mx - s * my);
      const float oy = pose.lift + my - (s * mx + c * my);
      FT_Vector delta;
      delta.x = FT_Pos(std::lround(ox * 64));
      delta.y = FT_Pos(std::lround(oy * 64));
      FT_Set_Transform(face, &matrix, &delta);
      if (FT_Load_Char(face, FT_ULong(static_cast<unsigned char>(text[i])),
                       FT_LOAD_NO_HINTING | FT_LOAD_RENDER) != 0)
         throw std::runtime_error("a glyph cannot be rendered");
      const FT_Bitmap &b = face->glyph->bitmap;
      Placed p = {face->glyph->bitmap_left, face->glyph->bitmap_top, int(b.width), int(b.rows), {}};
      for (unsigned row = 0; row < b.rows; row++) {
         const unsigned char *line = b.buffer + long(row) * b.pitch;
         p.values.insert(p.values.end(), line, line + b.width);
      }
      glyphs.push_back(std::move(p));
      pen += advance + tracking;
   }
   FT_Set_Transform(face, nullptr, nullptr);

   int left = std::numeric_limits<int>::max(), right = std::numeric_limits<int>::min();
   int top = std::numeric_limits<int>::min(), bottom = std::numeric_limits<int>::max();
   for (const Placed &p : glyphs) {
      if (p.w == 0 || p.h == 0)
         continue;
      left = std::min(left, p.left);
      right = std::max(right, p.left + p.w);
      top = std::max(top, p.top);
      bottom = std::min(bottom, p.top - p.h);
   }
   Coverage out;
   if (left > right)
      return out;
   out.w = right - left + 2 * margin;
   out.h = top - bottom + 2 * margin;
   out.values.assign(size_t(out.w) * out.h, 0);
   *baseline = margin + top;
   for (const Placed &p : glyphs) {
      for (int y = 0; y < p.h; y++) {
         for (int x = 0; x < p.w; x++) {
            uint8_t &v = out.values[size_t(margin + top - p.top + y) * out.w + margin + p.left - left + x];
            v = std::max(v, p.values[size_t(y) * p.w + x]);
         }
      }
   }
   return out;
}

namespace {

// One row or column of the exact Euclidean distance transform
// (Felzenszwalb and Huttenlocher): f in, squared distances out.
void transform_line(const double *f, double *d, int n, std::vector<int> &v, std::vector<double> &z)
{
   v.resize(size_t(n));
   z.resize(size_t(n) + 1);
   int k = 0;
   v[0] = 0;
   z[0] = -std::numeric_limits<double>::infinity();
   z[1] = std::numeric_limits<double>::infinity();
   for (int q = 1; q < n; q++) {
      double s;
      for (;;) {
         const int p = v[size_t(k)];
         s = ((f[q] + double(q) * q) - (f[p] + double(p) * p)) / double(2 * q - 2 * p);
         if (s > z[size_t(k)])
            break;
         k--;
      }
      k++;
      v[size_t(k)] = q;
      z[size_t(k)] = s;
      z[size_t(k) + 1] = std::numeric_limits<double>::infinity();
   }
   k = 0;
   for (int q = 0; q < n; q++) {
      while (z[size_t(k) + 1] < double(q))
         k++;
      const double dq = double(q - v[size_t(k)]);
      d[q] = dq * dq + f[v[size_t(k)]];
   }
}

}  // namespace

std::vector<float> squared_distance(const std::vector<uint8_t> &inside, int w, int h)
{
   const double far = 1e20;
   std::vector<double> grid(size_t(w) * h);
   for (size_t i = 0; i < grid.size(); i++)
      grid[i] = inside[i] ? 0 : far;
   std::vector<int> v;
   std::vector<double> z, f(size_t(std::max(w, h))), d(size_t(std::max(w, h)));
   for (int x = 0; x < w; x++) {
      for (int y = 0; y < h; y++)
         f[size_t(y)] = grid[size_t(y) * w + x];
      transform_line(f.data(), d.data(), h, v, z);
      for (int y = 0; y < h; y++)
         grid[size_t(y) * w + x] = d[size_t(y)];
   }
   std::vector<float> out(grid.size());
   for (int y = 0; y < h; y++) {
      transform_line(&grid[size_t(y) * w], d.data(), w, v, z);
      for (int x = 0; x < w; x++)
         out[size_t(y) * w + x] = float(std::min(d[size_t(x)], 1e30));
   }
   return out;
}
