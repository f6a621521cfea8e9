// Composed pictures written as binary PAM (RGBA) or PPM (RGB) files, a
// row at a time.
#ifndef TOSSARO_TOOLS_NETPBM_OUTPUT_H
#define TOSSARO_TOOLS_NETPBM_OUTPUT_H

#include <string>

#include "files/replacement_file.h"

class NetpbmOutput {
public:
   // Whether the name asks for a format this writes: .pam or .ppm, in any
   // case.
   static bool known(const char *filename);

   // Opens the file and writes the header: PAM (TUPLTYPE RGB_ALPHA) for a
   // .pam name, PPM for a .ppm one, 8 bits per sample. Returns an empty
   // string, or the reason it cannot be written.
   std::string open(const char *filename, int w, int h);
   // The samples per pixel of a row: 4 (red, green, blue, alpha) or 3.
   int channels() const { return channels_; }
   // Writes one row of w pixels of channels() bytes each.
   void write_row(const unsigned char *samples);
   // The file appears whole under its name, or not at all: returns an
   // empty string, or the reason.
   std::string finish() { return file_.finish(); }

private:
   OutputFile file_;
   int channels_ = 4;
   size_t rowBytes_ = 0;
};

#endif
