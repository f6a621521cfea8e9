// LZW encoding of one image's data; used by the writers only.
#ifndef TOSSARO_GIF_ENCODER_H
#define TOSSARO_GIF_ENCODER_H

#include <allegro.h>

#include <cstdint>
#include <vector>

// Writes the LZW minimum code size and the data sub-blocks of an 8-bit
// bitmap's indices, without the zero terminator. The minimum code size is
// the smallest from 2 that holds the largest index. Plain greedy LZW,
// clearing the dictionary as soon as it is full: the still's bytes.
void encode_gif_image(PACKFILE *stream, BITMAP *bitmap);

// How a pixel with a choice is written: trying the transparent index
// first and then its own, whichever continues the string being matched,
// the other way round, or always the one. A string's first pixel takes
// whichever value starts the longer string.
enum GifChoice { GIF_TRANSPARENT_FIRST, GIF_OWN_FIRST, GIF_TRANSPARENT, GIF_OWN };

// An image whose pixels may leave a choice: where `either` is set, the
// pixel may be written as its index or as `transparent` (both show the
// same picture).
struct GifIndices {
   const uint8_t *pixels;  // w * h indices, row by row
   const uint8_t *either;  // w * h flags, or null for no choice
   int w, h;  // both above 0
   int transparent;  // the index a pixel with `either` set may take
   GifChoice choice;
};

// Appends to `out` the minimum code size and the data sub-blocks of the
// image, the choices made as the encoder goes. A full dictionary is kept
// while it compresses as well as it did while it grew, so the data may
// go on at 12 bits with no new entries before a clear code.
void encode_gif_indices(const GifIndices &image, std::vector<uint8_t> *out);

// The number of bytes encode_gif_indices appends, found without writing
// them: the cheap measure that chooses between ways of writing a frame.
long count_gif_indices(const GifIndices &image);

#endif
