// LZW decoding of one image's data; used by the reader only.
#ifndef TOSSARO_GIF_DECODER_H
#define TOSSARO_GIF_DECODER_H

#include <allegro.h>

// Decodes the LZW minimum code size and the data sub-blocks that follow
// into `bitmap`, an 8-bit bitmap whose rows lie one after another in
// memory, in the order the file stores them. Pixels past the bitmap are
// dropped; pixels the data does not reach are set to 0 and counted in
// `missing`. The terminator after the sub-block that holds the end code
// is left in the stream. Returns 0, or -1 on data that is invalid or ends
// before its end code.
int decode_gif_image(PACKFILE *stream, BITMAP *bitmap, int *missing);

#endif
