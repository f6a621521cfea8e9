// The decoded form of a GIF file: one record for the file, one per image.
#ifndef TOSSARO_GIF_SEQUENCE_H
#define TOSSARO_GIF_SEQUENCE_H

#include <allegro.h>

#include <cstdint>
#include <vector>

// One colour of a table: red, green and blue as stored in the file.
struct GifColor {
   unsigned char r, g, b;
   unsigned char unused;  // never set by the codec
};

// A global or local colour table.
struct ColorTable {
   int count;  // 0 (no table) or a power of two from 2 to 256
   GifColor colors[256];  // entries from count up are zero
};

// One image of the file.
struct GifFrame {
   BITMAP *bitmap;  // 8-bit colour indices at the image's own size; owned
   ColorTable palette;  // local table; count 0 when the image has none
   int x, y;  // position within the logical screen
   int delay;  // hundredths of a second, as stored; 0 without an extension
   int disposal;  // a GifDisposal (gif_format.h), or up to 7 as stored; 0 without an extension
   int transparent_index;  // -1 when the image has no transparent colour
   int interlaced;  // 1 when the file stored the rows interlaced
   // Pixels at the end of the image, in the order the file stores them,
   // that the image data did not reach: they are zero in the bitmap and
   // are left undrawn, like transparent ones.
   int missing_pixels;
   // Bytes the file gives the image's LZW data: the code size byte and
   // the data sub-blocks with their size bytes (0 in frames not read).
   int data_bytes;
};

// One decoded file.
struct GifSequence {
   int width, height;  // logical screen
   int frame_count;
   int background_index;  // kept and written back; never drawn
   int loop_count;  // 0 without a loop block; -1 writes none
   int loop_block;  // 1 when the file held a loop block (read only)
   ColorTable palette;  // global table; count 0 when absent
   GifFrame *frames;  // heap array of frame_count records
   BITMAP *saved_area;  // destination under the last frame disposed of by GIF_DISPOSAL_PREVIOUS
};

// Colours given as 0xRRGGBB (256 at most) as a table holds them, the
// entries past them zero.
ColorTable gif_color_table(const std::vector<uint32_t> &colors);

// Releases the sequence, its frames, their bitmaps and the saved area.
void free_gif_sequence(GifSequence *sequence);

// The row at which a frame's data stores display row `row`: the identity
// for plain images, the position in the four interlace passes otherwise.
int gif_stored_row(const GifFrame *frame, int row);

#endif
