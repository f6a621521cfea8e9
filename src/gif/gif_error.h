// Why a reading call of the codec failed.
#ifndef TOSSARO_GIF_ERROR_H
#define TOSSARO_GIF_ERROR_H

#include <string>

enum GifError {
   GIF_ERROR_NONE,  // the call succeeded
   GIF_ERROR_NOT_GIF,  // the file does not start with GIF87a or GIF89a
   GIF_ERROR_TRUNCATED,  // the file ends before its trailer
   GIF_ERROR_CONTROL_SIZE,  // a graphic control block that is not 4 bytes long
   GIF_ERROR_NO_END_CODE,  // image data whose sub-blocks end before its end code and last pixel
   GIF_ERROR_CODE_SIZE,  // an LZW minimum code size above 11
   GIF_ERROR_UNDEFINED_CODE,  // an LZW code the dictionary does not hold yet
   GIF_ERROR_TOO_LARGE,  // a logical screen or an image over 2^28 pixels
   GIF_ERROR_NO_IMAGE,  // load_gif_bitmap only: no frame, or an empty screen
   GIF_ERROR_NO_MEMORY,
   GIF_ERROR_IO,  // the file cannot be opened or read
};

// The readers' signatures tell only that a call failed, so the reason is
// kept beside them, one per thread as errno is. read_gif_sequence,
// parse_gif_sequence, open_gif_sequence and load_gif_bitmap set it on
// every call: GIF_ERROR_NONE when they succeed.
GifError gif_last_error();

// A short phrase for the reason, such as "not a GIF file".
const char *gif_error_string(GifError error);

// The last reason as one line that also says where the file holds the
// fault, such as "truncated: the file ends in frame 3" or "an undefined
// LZW code in frame 0"; for GIF_ERROR_IO, the system's message, such as
// "No such file or directory".
std::string gif_last_error_message();

#endif
