// Turning an RGBA picture into colour indices and a table of at most 256
// colours.
#ifndef TOSSARO_TOOLS_QUANTIZE_H
#define TOSSARO_TOOLS_QUANTIZE_H

#include "picture.h"

// A picture of few enough colours keeps them exactly (sorted, so the same
// picture always gives the same table); one of more is reduced by median
// cut, every colour going to its nearest table entry. Pixels of alpha 0
// share one extra, transparent index; other alpha values count as opaque.
// Fails only when there is no memory for the indices.
bool index_picture(const Picture &picture, IndexedPicture *out);

#endif
