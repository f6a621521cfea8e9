#include "art_lettering.h"

#include <algorithm>
#include <cmath>

#include "art_backdrop.h"
#include "art_text.h"

namespace {

struct LetteringStyle {
   double em;  // pixels per em
   float outline;  // width of the dark edge
   float halo;  // width of the light stroke around the edge
   Point shadow;  // offset of the drop shadow
   float shadow_alpha;
   float tracking;
   std::vector<GlyphPose> poses;
};

const Rgb kFillTop = {255, 240, 150};
const Rgb kFillBottom = {240, 112, 36};
const Rgb kEdge = {74, 34, 18};
const Rgb kHalo = {255, 238, 196};
const Rgb kShadow = {40, 16, 6};

// Glyphs bobbing up and down and leaning left and right in turn, as if
// tossed.
std::vector<GlyphPose> bobbing(int count, float lift, float angle)
{
   std::vector<GlyphPose> poses;
   for (int i = 0; i < count; i++)
      poses.push_back({lift * std::sin(float(i) * 1.1f + 0.6f), (i % 2 ? -angle : angle)});
   return poses;
}

// The lettering with its edge and shadow, cropped to them. The shadow is
// translucent, or, when `shadow_over` is given, already mixed with that
// colour and opaque (for pictures that keep only whole pixels).
Layer letter(const std::string &text, const LetteringStyle &style, const Rgb *shadow_over)
{
   const int s = kSupersample;
   FontFace font(kLetteringFace, style.em * s);
   const int margin = int(std::ceil((style.outline + style.halo + std::max(style.shadow.x, style.shadow.y) + 2) * s));
   int baseline = 0;
   const Coverage glyphs = render_line(font, text, style.poses, style.tracking * s, margin, &baseline);
   const int w = (glyphs.w + s - 1) / s * s, h = (glyphs.h + s - 1) / s * s;

   std::vector<uint8_t> inside(size_t(w) * h, 0), outside(size_t(w) * h, 1);
   for (int y = 0; y < glyphs.h; y++) {
      for (int x = 0; x < glyphs.w; x++) {
         if (glyphs.at(x, y) >= 128) {
            inside[size_t(y) * w + x] = 1;
            outside[size_t(y) * w + x] = 0;
         }
      }
   }
   const std::vector<float> to_ink = squared_distance(inside, w, h);
   const std::vector<float> to_paper = squared_distance(outside, w, h);
   const float edge = style.outline * s;
   const float halo = (style.outline + style.halo) * s;
   const int shiftX = int(std::lround(style.shadow.x * s)), shiftY = int(std::lround(style.shadow.y * s));
   const float capTop = float(baseline) - float(font.face()->size->metrics.ascender) / 64.0f * 0.78f;

   Layer big(w, h);
   for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
         const size_t i = size_t(y) * w + x;
         Rgba p = {0, 0, 0, 0};
         const int ux = x - shiftX, uy = y - shiftY;
         if (ux >= 0 && uy >= 0 && to_ink[size_t(uy) * w + ux] <= halo * halo) {
            p = shadow_over ? opaque(mix(*shadow_over, kShadow, style.shadow_alpha))
                            : with_alpha(kShadow, style.shadow_alpha);
         }
         if (to_ink[i] <= halo * halo)
            p = opaque(kHalo);
         if (to_ink[i] <= edge * edge)
            p = opaque(kEdge);
         if (inside[i]) {
            const float t = std::clamp((float(y) - capTop) / (float(baseline) - capTop), 0.0f, 1.0f);
            Rgb c = mix(kFillTop, kFillBottom, t);
            // A gloss over the upper part and a light rim just inside the
            // edge, as on a sticker.
            if (t < 0.42f)
               c = mix(c, {255, 255, 235}, 0.28f * (1 - t / 0.42f));
            const float rim = std::sqrt(to_paper[i]) / s;
            if (rim < 1.6f)
               c = mix(c, {255, 250, 220}, 0.45f * (1 - rim / 1.6f));
            p = opaque(c);
         }
         big.at(x, y) = p;
      }
   }

   return average_down(big);
}

LetteringStyle title_style()
{
   return {124, 4.0f, 2.5f, {4, 5}, 0.55f, -1, bobbing(7, 6, 0.05f)};
}

// `lettering` centred across a layer of width w, its middle at row `middle`.
void centre(Layer *layer, const Layer &lettering, int middle)
{
   draw_layer(layer, lettering, (layer->w - lettering.w) / 2, middle - lettering.h / 2);
}

}  // namespace

Layer make_logo()
{
   const Rgb matte = backdrop_matte();
   const Layer lettering = letter("Tossaro", title_style(), &matte);
   Layer logo(kScreenW, lettering.h + 4);
   centre(&logo, lettering, logo.h / 2);
   return logo;
}

Layer make_menu_banner(const Layer &backdrop)
{
   Layer banner = crop(backdrop, 0, 0, kScreenW, kMenuBannerH);
   centre(&banner, letter("Tossaro", title_style(), nullptr), 84);
   return banner;
}

Layer make_scores_banner(const Layer &backdrop)
{
   Layer banner = crop(backdrop, 0, 0, kScreenW, kScoresBannerH);
   const LetteringStyle style = {68, 3.0f, 2.0f, {3, 4}, 0.55f, 0, bobbing(11, 3, 0.03f)};
   centre(&banner, letter("High Scores", style, nullptr), 54);
   return banner;
}
