// The order of an animation's global table, chosen once its first frames
// are written. A frame's codes are as short as its largest value allows
// (a frame of values below 128 takes 8-bit codes where one of any value
// takes 9), so the colours that the most frames use, and only those,
// take the low entries.
#ifndef TOSSARO_GIF_TABLE_ORDER_H
#define TOSSARO_GIF_TABLE_ORDER_H

#include <cstdint>
#include <vector>

#include "gif/gif_encoder.h"

// A held frame: what its data holds, its transparent index left out, and
// whether it has one. That index may take any entry the rest of the data
// leaves free, so that it need not keep a frame's codes long.
struct GifTableFrame {
   GifDataSummary data;
   bool transparent;
};

// The new entry of each of a table's `count` entries (up to 256); the
// first `fixed` entries keep theirs. The identity unless another order
// makes the frames' codes fewer bits.
std::vector<uint8_t> order_gif_table(int count, int fixed,
                                     const std::vector<GifTableFrame> &frames);

// The new entry of a frame's transparent index: the lowest its other
// values leave free once renamed.
int renamed_transparent(const GifTableFrame &frame, const std::vector<uint8_t> &rename);

// The code size a frame's data takes with its entries renamed.
int renamed_code_size(const GifTableFrame &frame, const std::vector<uint8_t> &rename);

#endif
