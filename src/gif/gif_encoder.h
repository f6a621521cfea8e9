// LZW encoding of one image's data; used by the writer only.
#ifndef TOSSARO_GIF_ENCODER_H
#define TOSSARO_GIF_ENCODER_H

#include <allegro.h>

// Writes the LZW minimum code size and the data sub-blocks of an 8-bit
// bitmap's indices, without the zero terminator. The minimum code size is
// the smallest from 2 that holds the largest index.
void encode_gif_image(PACKFILE *stream, BITMAP *bitmap);

#endif
