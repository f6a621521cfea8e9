// Pictures in the making: layers of premultiplied colour with coverage,
// a supersampled canvas for Allegro's primitives, and the step from a
// layer to a picture that gifcodec's quantizer takes.
#ifndef TOSSARO_TOOLS_ART_IMAGE_H
#define TOSSARO_TOOLS_ART_IMAGE_H

#include <allegro.h>

#include <vector>

#include "gifcodec/picture.h"

// A colour with components from 0 to 255.
struct Rgb {
   float r, g, b;
};

Rgb mix(Rgb a, Rgb b, float t);
Rgb scale(Rgb c, float k);
// Relative luminance (0 black, 1 white) of an sRGB colour.
float luminance(Rgb c);

// One pixel of a layer: colour premultiplied by alpha (0..1).
struct Rgba {
   float r, g, b, a;
};

struct Layer {
   int w = 0, h = 0;
   std::vector<Rgba> pixels;  // row by row

   Layer() = default;
   Layer(int width, int height);
   Rgba &at(int x, int y) { return pixels[size_t(y) * w + x]; }
   const Rgba &at(int x, int y) const { return pixels[size_t(y) * w + x]; }
};

Rgba opaque(Rgb c);
Rgba with_alpha(Rgb c, float a);
// `top` over `bottom`.
Rgba over(Rgba top, Rgba bottom);
// Draws `top` over `bottom` with its top left corner at (x, y).
void draw_layer(Layer *bottom, const Layer &top, int x, int y);
// The part of `layer` from (x, y), w by h.
Layer crop(const Layer &layer, int x, int y, int w, int h);
// Averages every kSupersample square of `big` into one pixel (a size that
// is not a multiple loses its last rows and columns).
Layer average_down(const Layer &big);

// How many canvas pixels make one picture pixel along each axis.
const int kSupersample = 4;

struct Point {
   float x, y;
};

// A 32 bpp memory bitmap kSupersample times the size of the picture it
// becomes, so that shapes drawn with Allegro's primitives come out
// antialiased. Coordinates are in picture pixels; pixel centres sit at
// half-integers. Starts fully transparent.
class Canvas {
public:
   Canvas(int w, int h);
   ~Canvas();
   Canvas(const Canvas &) = delete;
   Canvas &operator=(const Canvas &) = delete;

   int w() const { return w_; }
   int h() const { return h_; }
   BITMAP *bitmap() const { return bitmap_; }

   void circle(float x, float y, float r, Rgb c);
   void ellipse(float x, float y, float rx, float ry, Rgb c);
   void polygon(const std::vector<Point> &points, Rgb c);
   // A line `width` wide with round ends.
   void capsule(Point a, Point b, float width, Rgb c);
   // A round-ended stroke through the points.
   void stroke(const std::vector<Point> &points, float width, Rgb c);
   // The polygon grown by `grow` on every side (its Minkowski sum with a
   // disc), for outlines behind a shape.
   void grown_polygon(const std::vector<Point> &points, float grow, Rgb c);

   // Averages every kSupersample square into one pixel of the layer.
   Layer downsample() const;

private:
   int sx(float x) const;
   int color(Rgb c) const;

   int w_, h_;
   BITMAP *bitmap_;
};

// A picture for index_picture: pixels whose coverage is below `threshold`
// become transparent, the rest opaque, their partial coverage mixed with
// `matte` (the colour they are expected to be drawn over).
Picture to_picture(const Layer &layer, Rgb matte, float threshold);

// A deterministic pseudo-random value in [0, 1) for a lattice point.
float lattice_noise(int x, int y, unsigned seed);
// Smooth value noise around 0.5 with features about `period` pixels wide,
// summed over `octaves` halvings of the period.
float smooth_noise(float x, float y, float period, int octaves, unsigned seed);

#endif
