// Reading GIF87a and GIF89a files into a GifSequence.
#ifndef TOSSARO_GIF_READER_H
#define TOSSARO_GIF_READER_H

#include <allegro.h>

#include "gif/gif_error.h"
#include "gif/gif_sequence.h"

// Parses a whole GIF stream, from the signature to the trailer. Returns a
// new sequence, or null when the stream is not a GIF, holds invalid image
// data or ends before its trailer; gif_last_error() tells why. Closes the
// stream in every outcome.
GifSequence *read_gif_sequence(PACKFILE *stream);

// The same parse, leaving the stream open: for streams that belong to
// someone else, such as a datafile object's.
GifSequence *parse_gif_sequence(PACKFILE *stream);

// Opens and reads a GIF file; null when it cannot be opened or read.
GifSequence *open_gif_sequence(const char *filename);

#endif
