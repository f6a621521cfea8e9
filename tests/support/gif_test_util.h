// Shared steps of the codec tests: reading built streams and looking at
// what came out.
#ifndef TOSSARO_TESTS_GIF_TEST_UTIL_H
#define TOSSARO_TESTS_GIF_TEST_UTIL_H

#include <allegro.h>

#include <string>
#include <vector>

#include "gif/gif.h"
#include "gif_bytes.h"

// Reads the bytes through read_gif_sequence, setting *problem as it does;
// fails the test unless the stream was closed exactly once.
GifSequencePtr read_bytes(const GifBytes &gif, std::string *problem = nullptr);

// A frame's colour indices, row by row.
std::vector<int> indices(const GifFrame &frame);

// Frames 0..last composed onto a new 32-bit bitmap of the screen's size.
BitmapPtr compose(GifSequence *sequence, int last);

// A pixel as 0xRRGGBB, or -1 for the mask colour.
int rgb_at(BITMAP *bitmap, int x, int y);

#endif
