// Reading GIF87a and GIF89a files into a GifSequence.
#ifndef TOSSARO_GIF_READER_H
#define TOSSARO_GIF_READER_H

#include <allegro.h>

#include <string>

#include "gif/gif_sequence.h"

// Parses a whole GIF stream, from the signature to the trailer. Returns a
// new sequence, or null when the stream is not a GIF, holds invalid image
// data or ends before its trailer, with *problem set (when not null) to
// one line saying why and where, such as "truncated: the file ends in
// frame 3" or "an undefined LZW code in frame 0", or the system's message
// when the stream cannot be read. Closes the stream in every outcome.
GifSequence *read_gif_sequence(PACKFILE *stream, std::string *problem = nullptr);

// The same parse, leaving the stream open: for streams that belong to
// someone else, such as a datafile object's.
GifSequence *parse_gif_sequence(PACKFILE *stream, std::string *problem = nullptr);

// Opens and reads a GIF file; null, with *problem set, also when it
// cannot be opened or read ("No such file or directory").
GifSequence *open_gif_sequence(const char *filename, std::string *problem = nullptr);

#endif
