// Letters rasterised with FreeType at generation time.
#ifndef TOSSARO_TOOLS_ART_TEXT_H
#define TOSSARO_TOOLS_ART_TEXT_H

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>
#include <vector>

// The face of all lettering and fonts.
extern const char kLetteringFace[];

// One font file opened at one size.
class FontFace {
public:
   // Throws when the file cannot be opened as a font.
   FontFace(const char *path, double pixels_per_em);
   ~FontFace();
   FontFace(const FontFace &) = delete;
   FontFace &operator=(const FontFace &) = delete;

   FT_Face face() const { return face_; }

private:
   FT_Library library_;
   FT_Face face_;
};

// A grey map of glyph coverage, 0 to 255.
struct Coverage {
   int w = 0, h = 0;
   std::vector<uint8_t> values;  // row by row

   uint8_t at(int x, int y) const { return values[size_t(y) * w + x]; }
};

// How one glyph of a line is placed: raised by `lift` pixels and turned
// anticlockwise by `angle` radians about its middle.
struct GlyphPose {
   float lift, angle;
};

// `text` on one line, glyph i placed by poses[i] (upright when missing),
// `tracking` extra pixels between glyphs; unhinted, so that the shapes stay
// true at large sizes. The map is cropped to the ink with `margin` pixels
// around it; *baseline receives the baseline's row in it.
Coverage render_line(const FontFace &font, const std::string &text,
                     const std::vector<GlyphPose> &poses, float tracking, int margin,
                     int *baseline);

// The squared distance from each pixel of a w by h map to the nearest
// pixel where `inside` is non-zero (0 on those; huge when there is none).
std::vector<float> squared_distance(const std::vector<uint8_t> &inside, int w, int h);

#endif
