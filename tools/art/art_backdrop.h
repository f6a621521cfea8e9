// The backdrop of the whole window and the colour that sprites' edges are
// mixed with.
#ifndef TOSSARO_TOOLS_ART_BACKDROP_H
#define TOSSARO_TOOLS_ART_BACKDROP_H

#include "art_image.h"

const int kScreenW = 640;
const int kScreenH = 480;

// The backdrop's colour in the middle of the window, where sprites, the
// menu and the score table are drawn.
Rgb backdrop_matte();

// A warm, softly mottled stage wall, darker towards the edges, opaque.
Layer make_backdrop();

#endif
