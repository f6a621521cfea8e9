// Netpbm pictures: PAM (P7), PPM (P6) and PGM (P5) of 8 or 16 bits per
// sample, read as truecolour with their alpha.
#ifndef TOSSARO_FILES_NETPBM_FILE_H
#define TOSSARO_FILES_NETPBM_FILE_H

#include <cstdint>
#include <string>
#include <vector>

// A truecolour picture.
struct Picture {
   int w = 0, h = 0;
   std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row
};

// Reads the picture a netpbm file's bytes hold. Returns an empty string,
// or why they are not one.
std::string read_netpbm(const std::vector<unsigned char> &bytes, Picture *picture);

#endif
