// The picture that frames 0..N of a GIF compose to, as RGBA rows in which
// only transparent and uncovered pixels have alpha 0.
#ifndef TOSSARO_TOOLS_COMPOSITION_H
#define TOSSARO_TOOLS_COMPOSITION_H

#include <allegro.h>

#include <cstdint>
#include <string>

#include "gif/gif.h"

class Composition {
public:
   // Composes frames 0..last of the sequence, which must stay alive while
   // rows are read (its colour tables may be changed). When frame `last`
   // covers the screen with opaque pixels, its rows are read straight
   // from its indices; otherwise the frames are drawn on a canvas.
   // Returns an empty string, or the reason it failed.
   std::string compose(GifSequence *sequence, int last);

   // Prepares a canvas on which draw() composes the frames one after
   // another, each read with row() before the next is drawn. Returns an
   // empty string, or the reason it failed.
   std::string begin(GifSequence *sequence);
   void draw(int i);

   // Row y of the screen, `channels` samples per pixel: red, green, blue
   // and, for 4, alpha (255, or 0 with colour 0); with 3, transparent and
   // uncovered pixels are black.
   void row(int y, int channels, unsigned char *out) const;

private:
   std::string start_canvas(GifSequence *sequence, int last);

   GifSequence *sequence_ = nullptr;
   int width_ = 0;
   const GifFrame *frame_ = nullptr;  // the frame read straight, or null
   unsigned char colors_[256][4];  // its table as RGBA
   BitmapPtr canvas_;
   int magenta_ = -1;  // the canvas pixel that stands for opaque magenta
};

#endif
