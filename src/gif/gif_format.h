// Constants of the GIF format shared by the reader and the writer, so that
// both sides agree on the shape of the stream and of the LZW dictionary.
#ifndef TOSSARO_GIF_FORMAT_H
#define TOSSARO_GIF_FORMAT_H

// Block introducers between the screen descriptor and the trailer.
const int GIF_EXTENSION_INTRODUCER = 0x21;
const int GIF_IMAGE_SEPARATOR = 0x2C;
const int GIF_TRAILER = 0x3B;

// Extension labels the codec understands.
const int GIF_GRAPHIC_CONTROL_LABEL = 0xF9;
const int GIF_APPLICATION_LABEL = 0xFF;

// Sizes of the fixed extension sub-blocks.
const int GIF_GRAPHIC_CONTROL_SIZE = 4;
const int GIF_APPLICATION_ID_SIZE = 11;
const int GIF_LOOP_BLOCK_SIZE = 3;
const char GIF_LOOP_APPLICATION_ID[] = "NETSCAPE2.0";

// The largest word of the format (two bytes, low first): sizes, positions,
// delays and the loop count.
const int GIF_MAX_WORD = 0xFFFF;

// What becomes of a frame before the next one is drawn: bits 2 to 4 of
// its graphic control's packed byte. Values 4 to 7 are undefined and
// leave the frame, as GIF_DISPOSAL_NONE does.
enum GifDisposal {
   GIF_DISPOSAL_NONE = 0,  // none given: the frame stays
   GIF_DISPOSAL_KEEP = 1,  // the frame stays
   GIF_DISPOSAL_BACKGROUND = 2,  // its rectangle is cleared
   GIF_DISPOSAL_PREVIOUS = 3,  // what was under it is put back
};
const int GIF_DISPOSAL_SHIFT = 2;
const int GIF_MAX_DISPOSAL = 7;  // the field's largest value

// Packed-byte flags of the screen and image descriptors.
const int GIF_TABLE_FLAG = 0x80;
const int GIF_INTERLACE_FLAG = 0x40;

// The LZW dictionary holds codes 0 to 4095; codes are at most 12 bits wide.
const int GIF_MAX_CODES = 4096;
const int GIF_MAX_CODE_WIDTH = 12;
// Above 11 the roots and the two control codes no longer fit the dictionary.
const int GIF_MAX_MIN_CODE_SIZE = 11;

// A data sub-block carries at most 255 bytes.
const int GIF_MAX_SUB_BLOCK = 255;

// Images and logical screens above this many pixels are refused rather
// than allocated (2^28 pixels is a gigabyte once composed at 32 bits).
const long GIF_MAX_PIXELS = 1L << 28;

#endif
