// Bitmap fonts for the game: glyph sheets that Allegro's load_font reads.
#ifndef TOSSARO_TOOLS_ART_FONTS_H
#define TOSSARO_TOOLS_ART_FONTS_H

#include <string>

// Writes an 8-bit PCX sheet of characters 32 to 126, `height` pixels
// tall, in DejaVu Sans Bold hinted for one-bit output: index 255 boxes
// the glyphs, index 1 is the only ink, so load_font makes a mono font that
// prints in any colour. Returns an empty string, or the reason it failed.
std::string write_font(const std::string &path, int height);

#endif
