// Pictures that gifcodec encodes: read from PAM/PPM/PGM files, from 8-bit
// BMP and PCX files with their exact palettes, or from any format the
// library loads.
#ifndef TOSSARO_TOOLS_PICTURE_H
#define TOSSARO_TOOLS_PICTURE_H

#include <allegro.h>

#include <cstdint>
#include <string>
#include <vector>

#include "files/netpbm_file.h"
#include "gif/gif.h"

// A picture as the GIF writer takes it: colour indices and their colours.
struct IndexedPicture {
   BitmapPtr indices;  // 8-bit
   std::vector<uint32_t> colors;  // 0xRRGGBB, 1 to 256, more than any index
   int transparent = -1;  // the index of transparent pixels, or -1
};

// Reads `filename` into `picture`: PAM (P7), PPM (P6) and PGM (P5) of
// 8 or 16 bits per sample, and 8-bit uncompressed BMP and 8-bit PCX, by
// our own readers; everything else (other BMP and PCX, TGA, LBM) through
// the library, opaque. Truecolour pictures are indexed by index_picture.
// Returns an empty string, or the reason the file could not be read.
std::string read_picture(const char *filename, IndexedPicture *picture);

// The same without indexing a truecolour picture: palette files fill
// `indexed`, the others `truecolour`, whose w is then above 0.
std::string read_picture_as_is(const char *filename, IndexedPicture *indexed, Picture *truecolour);

#endif
