// The faults the reader finds in a file, as its steps report them to one
// another; the reading calls give them as one line (gif_reader.h).
#ifndef TOSSARO_GIF_ERROR_H
#define TOSSARO_GIF_ERROR_H

enum GifError {
   GIF_ERROR_NONE,  // the step succeeded
   GIF_ERROR_NOT_GIF,  // the file does not start with GIF87a or GIF89a
   GIF_ERROR_TRUNCATED,  // the file ends before its trailer
   GIF_ERROR_CONTROL_SIZE,  // a graphic control block that is not 4 bytes long
   GIF_ERROR_NO_END_CODE,  // image data whose sub-blocks end before its end code and last pixel
   GIF_ERROR_CODE_SIZE,  // an LZW minimum code size above 11
   GIF_ERROR_UNDEFINED_CODE,  // an LZW code the dictionary does not hold yet
   GIF_ERROR_TOO_LARGE,  // a logical screen or an image over 2^28 pixels
   GIF_ERROR_NO_MEMORY,
   GIF_ERROR_IO,  // the file cannot be opened or read
};

#endif
