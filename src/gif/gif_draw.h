// Composing decoded GIF frames onto bitmaps of the current colour depth.
#ifndef TOSSARO_GIF_DRAW_H
#define TOSSARO_GIF_DRAW_H

#include <allegro.h>

#include <string>

#include "gif/gif_sequence.h"

// Composes frame i with the logical screen's top left corner at (x, y) of
// `dest`, after applying the disposal of frame i - 1. Frame 0 starts from
// the mask colour. Frames are meant to be drawn in order onto a
// destination that still holds the previous composition.
void draw_gif_frame(GifSequence *sequence, BITMAP *dest, int i, int x, int y);

// Loads a GIF file as one bitmap at the current colour depth: the last
// frame composed over its predecessors, uncovered and transparent pixels
// in the mask colour. Fills `palette` (6-bit components) when not null.
// Null when the file cannot be read, has no image or an empty screen,
// with *problem set (when not null) to one line saying which.
BITMAP *load_gif_bitmap(const char *filename, RGB *palette, std::string *problem = nullptr);

#endif
