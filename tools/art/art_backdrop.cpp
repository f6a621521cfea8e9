#include "art_backdrop.h"

#include <algorithm>
#include <cmath>

namespace {

// A caramel of relative luminance about 0.27: dark brown (69,63,48) and
// white text both read on it at better than 3:1.
const Rgb kWall = {186, 134, 86};

float smoothstep(float a, float b, float x)
{
   const float t = std::clamp((x - a) / (b - a), 0.0f, 1.0f);
   return t * t * (3 - 2 * t);
}

// 1 over the middle of the window, where text is drawn, falling towards
// the corners.
float vignette(float x, float y)
{
   const float nx = (x - 320) / 330, ny = (y - 255) / 290;
   const float r = std::sqrt(nx * nx + ny * ny);
   return 1.0f - 0.42f * smoothstep(0.78f, 1.45f, r);
}

Rgb wall(float x, float y)
{
   // Large soft blotches and a finer fibre, as on old paper.
   const float blotch = smooth_noise(x, y, 110, 3, 7) - 0.5f;
   const float fibre = smooth_noise(x * 0.35f, y * 2.0f, 6, 2, 11) - 0.5f;
   const float grain = lattice_noise(int(x), int(y), 3) - 0.5f;
   float k = 1.0f + 0.09f * blotch + 0.035f * fibre + 0.025f * grain;
   Rgb c = scale(kWall, k);
   // Lighter blotches lean to yellow, darker ones to red.
   c.g += 14 * blotch;
   c.b -= 6 * blotch;
   return scale(c, vignette(x, y));
}

// The stage floor the juggler stands on: boards below a lit lip.
const float kFloorTop = 452;

Rgb stage_floor(float x, float y, Rgb wall)
{
   const float depth = (y - kFloorTop) / (kScreenH - kFloorTop);
   const float grain = smooth_noise(x * 0.08f, y * 1.5f, 4, 2, 19) - 0.5f;
   // A pool of light where the juggler stands.
   const float pool = std::exp(-(x - 320) * (x - 320) / (2 * 130.0f * 130.0f));
   Rgb c = scale(mix(wall, {120, 70, 40}, 0.55f), 0.92f + 0.1f * depth + 0.08f * grain + 0.22f * pool);
   // Seams between boards, converging towards the middle of the stage.
   const float spread = 1.0f + 0.6f * depth;
   const float board = (x - 320) / (46 * spread);
   const float seam = std::fabs(board - std::round(board)) * 46 * spread;
   c = scale(c, 1 - 0.22f * std::max(0.0f, 1 - seam / 1.2f));
   if (y < kFloorTop + 2)
      c = mix(c, {236, 190, 130}, 0.5f);
   return c;
}

}  // namespace

Rgb backdrop_matte()
{
   return kWall;
}

Layer make_backdrop()
{
   Layer layer(kScreenW, kScreenH);
   for (int y = 0; y < kScreenH; y++) {
      for (int x = 0; x < kScreenW; x++) {
         const float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
         const Rgb c = wall(fx, fy);
         layer.at(x, y) = opaque(fy < kFloorTop ? c : stage_floor(fx, fy, c));
      }
   }
   return layer;
}
