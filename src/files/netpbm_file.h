// Netpbm pictures: PAM (P7), PPM (P6) and PGM (P5) of 8 or 16 bits per
// sample, read as truecolour with their alpha; PAM (RGBA) and PPM (RGB)
// of 8 bits written a row at a time.
#ifndef TOSSARO_FILES_NETPBM_FILE_H
#define TOSSARO_FILES_NETPBM_FILE_H

#include <cstdint>
#include <string>
#include <vector>

#include "files/replacement_file.h"

// A truecolour picture.
struct Picture {
   int w = 0, h = 0;
   std::vector<uint32_t> pixels;  // 0xAARRGGBB, row by row
};

// Reads the picture a netpbm file's bytes hold. Returns an empty string,
// or why they are not one.
std::string read_netpbm(const std::vector<unsigned char> &bytes, Picture *picture);

class NetpbmOutput {
public:
   // Whether the name asks for a format this writes: .pam or .ppm, in any
   // case.
   static bool known(const char *filename);

   // Opens the file and writes the header: PAM (TUPLTYPE RGB_ALPHA) for a
   // .pam name, PPM for a .ppm one, 8 bits per sample. `open` replaces an
   // older file of the name when finished, `create` makes a new one and
   // refuses any name where something stands (see OutputFile). Returns an
   // empty string, or the reason it cannot be written.
   std::string open(const char *filename, int w, int h);
   std::string create(const char *filename, int w, int h);
   // The samples per pixel of a row: 4 (red, green, blue, alpha) or 3.
   int channels() const { return channels_; }
   // Writes one row of w pixels of channels() bytes each.
   void write_row(const unsigned char *samples);
   // The file appears whole under its name, or not at all: returns an
   // empty string, or the reason.
   std::string finish() { return file_.finish(); }

private:
   void write_header(const char *filename, int w, int h);

   OutputFile file_;
   int channels_ = 4;
   size_t rowBytes_ = 0;
};

#endif
