// Pictures that gifcodec encodes: read from PAM/PPM/PGM files or from any
// format the library loads, as 8-bit RGBA.
#ifndef TOSSARO_TOOLS_PICTURE_H
#define TOSSARO_TOOLS_PICTURE_H

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
   int w = 0, h = 0;
   std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row
};

// Reads `filename` into `picture`: PAM (P7), PPM (P6) and PGM (P5) of
// 8 or 16 bits per sample by our own reader, everything else (BMP, PCX,
// TGA, LBM) through the library, opaque. Returns an empty string, or the
// reason the file could not be read.
std::string read_picture(const char *filename, Picture *picture);

#endif
