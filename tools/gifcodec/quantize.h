// Turning an RGBA picture into colour indices and a table of at most 256
// colours.
#ifndef TOSSARO_TOOLS_QUANTIZE_H
#define TOSSARO_TOOLS_QUANTIZE_H

#include <cstdint>
#include <vector>

#include "picture.h"

struct IndexedPicture {
   std::vector<uint8_t> indices;  // row by row
   std::vector<uint32_t> colors;  // 0xRRGGBB, at most 256
   int transparent = -1;  // the index of pixels with alpha 0, or -1
};

// A picture of few enough colours keeps them exactly (sorted, so the same
// picture always gives the same table); one of more is reduced by median
// cut, every colour going to its nearest table entry. Pixels of alpha 0
// share one extra, transparent index; other alpha values count as opaque.
IndexedPicture index_picture(const Picture &picture);

#endif
