// The blocks of a GIF89a file around the image data, appended to a byte
// vector: both writers write theirs through these, so the still and the
// animation lay down the same bytes for the same things.
#ifndef TOSSARO_GIF_BLOCKS_H
#define TOSSARO_GIF_BLOCKS_H

#include <cstdint>
#include <string>
#include <vector>

#include "gif/gif_sequence.h"

// The size exponent b of a table for `count` entries: the smallest from 1
// with 2^b entries at least.
int gif_table_exponent(int count);

// The signature and the logical screen descriptor, for a global table of
// 2^b entries (put_gif_table, next), or none when b is 0.
void put_gif_header(std::vector<uint8_t> *out, int width, int height, int b, int background);

// Entries 0 to 2^b - 1 of the table, three bytes each.
void put_gif_table(std::vector<uint8_t> *out, const ColorTable &table, int b);

// The application extension that plays the animation `count` times more
// than once, or for ever when it is 0.
void put_gif_loop(std::vector<uint8_t> *out, int count);

// A graphic control extension: the frame's disposal (a GifDisposal, or
// up to 7), its delay in hundredths and its transparent index, or -1.
void put_gif_control(std::vector<uint8_t> *out, int disposal, int delay, int transparent);

// An image descriptor, for a local table of 2^b entries (put_gif_table,
// next), or none when b is 0.
void put_gif_descriptor(std::vector<uint8_t> *out, int x, int y, int w, int h, int b);

// Why a value cannot be written, such as "a delay of 70000 (0 to 65535
// hundredths)", or an empty string when it is from lo to hi.
std::string gif_out_of_range(const std::string &what, long value, long lo, long hi,
                             const char *unit = "");

// The same for two values, such as "a screen of 70000x2 (1 to 65535 each
// way)", written with `between` between them.
std::string gif_out_of_range(const std::string &what, long a, long b, const char *between, long lo,
                             long hi);

#endif
