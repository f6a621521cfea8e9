// Writing a picture as a still GIF.
#ifndef TOSSARO_TOOLS_PICTURE_GIF_H
#define TOSSARO_TOOLS_PICTURE_GIF_H

#include <string>

#include "picture.h"

// Writes the indices through the codec with the smallest global table
// that holds the colours. Returns an empty string, or the reason it
// failed; no file is left then.
std::string write_picture_gif(const char *filename, const IndexedPicture &picture);

// Indexes the picture (its exact colours when 256 or fewer, else a median
// cut; alpha 0 as the transparent index) and writes it as above.
std::string write_picture_gif(const char *filename, const Picture &picture);

#endif
