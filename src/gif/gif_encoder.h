// LZW encoding of one image's data; used by the writers only.
#ifndef TOSSARO_GIF_ENCODER_H
#define TOSSARO_GIF_ENCODER_H

#include <allegro.h>

#include <bitset>
#include <cstddef>
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

// What LZW data this encoder wrote holds, read from its codes as a reader
// would: the values its pixels take, and the bits its codes would take
// at each minimum code size from 2 to 8, or -1 at a size whose dictionary
// is too small for the codes it refers to (its values aside).
struct GifDataSummary {
   std::bitset<256> values;
   long bits[9];
   size_t size;  // bytes from the code size byte to the terminator, both included
};
GifDataSummary summarize_gif_data(const uint8_t *data);

// Appends to `out` the same data with each value v written as rename[v]
// and codes of `minCodeSize`, which must hold every renamed value and be
// one of the sizes summarize_gif_data gives bits for; without the
// terminator, as encode_gif_indices. The strings, and so the pixels the
// data makes, are the same but for their values: no encoding again.
void rename_gif_data(const uint8_t *data, const uint8_t rename[256], int minCodeSize,
                     std::vector<uint8_t> *out);

#endif
