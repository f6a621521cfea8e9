// The LZW encoding written out step by step, in its plainest form: a
// linear search of the dictionary and one bit at a time. The codec's fast
// encoder must produce exactly these bytes.
#ifndef TOSSARO_TESTS_REFERENCE_ENCODER_H
#define TOSSARO_TESTS_REFERENCE_ENCODER_H

#include <vector>

// The minimum code size byte and the data sub-blocks for w x h indices,
// without the terminator.
std::vector<unsigned char> reference_encode(const std::vector<int> &pixels, int w, int h);

#endif
