// Palette BMP, PCX and TGA files read with their exact colours: the
// library's loaders keep only 6 bits of each colour component (and misread
// some RLE8 BMP and colour-mapped TGA files).
#ifndef TOSSARO_TOOLS_INDEXED_FILE_H
#define TOSSARO_TOOLS_INDEXED_FILE_H

#include <cstdio>
#include <string>
#include <vector>

#include "picture.h"

// The whole file from its start.
std::vector<unsigned char> whole_file(FILE *file);

// Each reads `file` from its start. When it is a kind this reader handles,
// it sets *handled and returns an empty string or the reason the file
// could not be read. Otherwise it leaves *handled false.
// BMP: 1, 4 or 8 bits per pixel, uncompressed, or 8 bits in RLE8.
std::string read_indexed_bmp(FILE *file, IndexedPicture *picture, bool *handled);
// PCX: 8 bits per pixel in one plane, raw or RLE, with a 256-colour palette.
std::string read_indexed_pcx(FILE *file, IndexedPicture *picture, bool *handled);
// TGA: colour-mapped, 8 bits per pixel, raw or RLE, with 24- or 32-bit
// map entries; it has no signature, so only for names ending in .tga.
std::string read_indexed_tga(FILE *file, IndexedPicture *picture, bool *handled);

#endif
