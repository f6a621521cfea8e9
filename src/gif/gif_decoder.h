// LZW decoding of one image's data; used by the reader only.
#ifndef TOSSARO_GIF_DECODER_H
#define TOSSARO_GIF_DECODER_H

#include <allegro.h>

#include "gif/gif_error.h"

// Decodes the LZW minimum code size and the data sub-blocks that follow
// into `bitmap`, an 8-bit bitmap whose rows lie one after another in
// memory, in the order the file stores them, and counts the bytes they
// take in `data_bytes` (the code size byte, the sub-blocks read and their
// size bytes). Pixels past the bitmap are
// dropped; pixels the data does not reach are set to 0 and counted in
// `missing`. The terminator after the sub-block that holds the end code
// is left in the stream; data whose terminator comes after the last pixel
// but before a whole end code is taken, terminator read. Returns
// GIF_ERROR_NONE, or why the data is invalid: GIF_ERROR_TRUNCATED when the
// stream ends first, GIF_ERROR_NO_END_CODE when a zero-length sub-block
// comes before the image is whole, GIF_ERROR_CODE_SIZE or
// GIF_ERROR_UNDEFINED_CODE.
GifError decode_gif_image(PACKFILE *stream, BITMAP *bitmap, int *missing, int *data_bytes);

#endif
