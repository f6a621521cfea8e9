// Writing GifSequences and single bitmaps as GIF89a files.
#ifndef TOSSARO_GIF_WRITER_H
#define TOSSARO_GIF_WRITER_H

#include <allegro.h>

#include <string>

#include "gif/gif_sequence.h"

// Writes the sequence as a GIF89a file: its global table, a loop block
// unless loop_count is -1, and per frame a Graphic Control Extension, the
// image and its local table. Returns 0, or -1 with *problem set (when not
// null) when the file cannot be written or the sequence holds what a GIF
// cannot (a size or position past 65535, a frame bitmap that is not 8-bit)
// or when an earlier file of that name could not be opened for writing;
// then no file is left under the name and the earlier file is kept. The
// file is made beside the one a symbolic link names, synced and renamed
// over it, with the earlier file's permissions.
int write_gif_sequence(const char *filename, const GifSequence *sequence,
                       std::string *problem = nullptr);

// Writes one bitmap of any depth as a still GIF with a 256-entry local
// table from `palette` (6-bit components; the current palette when null),
// which also maps a hi- or truecolour bitmap's colours to indices. Returns
// 0, or -1 with *problem set when it cannot be written or the bitmap is
// empty.
int save_gif_bitmap(const char *filename, BITMAP *bitmap, const RGB *palette,
                    std::string *problem = nullptr);

#endif
