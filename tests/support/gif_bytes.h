// GIF streams built byte by byte, for tests that need exact bytes.
#ifndef TOSSARO_TESTS_GIF_BYTES_H
#define TOSSARO_TESTS_GIF_BYTES_H

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

// One LZW code and the width it is written at.
struct Code {
   int value;
   int width;
};

// Codes that store `pixels` without compression: a clear code, then one
// root per pixel, with a clear code again before the code width would
// grow, then the end code.
// Needs a minimum code size of 2 or more.
std::vector<Code> raw_codes(int minCodeSize, const std::vector<int> &pixels);

class GifBytes {
public:
   GifBytes &raw(std::initializer_list<int> values);
   GifBytes &text(const std::string &s);
   GifBytes &word(int value);
   // Signature, screen descriptor (with a global table of `colors` when
   // not empty, its size rounded up to a power of two).
   GifBytes &header(int width, int height, const std::vector<uint32_t> &colors = {},
                    int background = 0, const char *signature = "GIF89a");
   GifBytes &table(const std::vector<uint32_t> &colors, int count);
   // Graphic Control Extension; transparent -1 clears the flag.
   GifBytes &control(int disposal, int delay, int transparent);
   GifBytes &loop(int count);
   // Image descriptor with an optional local table.
   GifBytes &image(int x, int y, int w, int h, const std::vector<uint32_t> &colors = {},
                   bool interlaced = false);
   // Minimum code size and the codes packed into sub-blocks of at most
   // `blockSize` bytes, then a zero terminator unless `terminate` is false.
   GifBytes &data(int minCodeSize, const std::vector<Code> &codes, int blockSize = 255,
                  bool terminate = true);
   GifBytes &trailer();

   std::vector<unsigned char> bytes;
};

// The packed bytes of a code sequence, least significant bit first.
std::vector<unsigned char> pack_codes(const std::vector<Code> &codes);

// The table size a count of colours rounds up to: the smallest 2^b, b >= 1.
int table_size(size_t colors);

#endif
