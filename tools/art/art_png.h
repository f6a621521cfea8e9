// Picture files of a layer, 8-bit RGBA: PNG as icon themes take them, PAM
// as the game reads its window's icon.
#ifndef TOSSARO_TOOLS_ART_PNG_H
#define TOSSARO_TOOLS_ART_PNG_H

#include <vector>

#include "art_image.h"

// The whole file: the layer's colour, no longer premultiplied, and its
// coverage as alpha, compressed at zlib's best.
std::vector<unsigned char> png_bytes(const Layer &layer);

// The whole file, uncompressed: the same pixels as png_bytes.
std::vector<unsigned char> pam_bytes(const Layer &layer);

#endif
