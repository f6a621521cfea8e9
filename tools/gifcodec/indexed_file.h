// 8-bit BMP and PCX files read with their exact palettes: the library's
// loaders keep only 6 bits of each colour component.
#ifndef TOSSARO_TOOLS_INDEXED_FILE_H
#define TOSSARO_TOOLS_INDEXED_FILE_H

#include <cstdio>
#include <string>

#include "picture.h"

// Each reads `file` from its start. When it is a kind this reader handles
// (uncompressed 8-bit BMP; RLE 8-bit, one-plane PCX with a 256-colour
// palette), it sets *handled and returns an empty string or the reason the
// file could not be read. Otherwise it leaves *handled false.
std::string read_bmp8(FILE *file, IndexedPicture *picture, bool *handled);
std::string read_pcx8(FILE *file, IndexedPicture *picture, bool *handled);

#endif
