// Writing an animation a frame at a time, as the frames come, into a file
// that is smaller than the plain sequence of its frames and shows exactly
// the same pictures in every decoder.
//
//    GifAnimationSettings settings;
//    settings.width = 640;
//    settings.height = 480;
//    std::string problem;
//    GifAnimation *animation = open_gif_animation("clip.gif", settings, &problem);
//    for each picture:
//       add_gif_bitmap_frame(animation, picture, -1, 2, &problem);  // 2/100 s
//    close_gif_animation(animation, &problem);  // the file appears now
//
// Each frame is compared with the picture shown before it. Only the
// rectangle that changed is written; inside it, a pixel that stays the
// same may take the transparent index or its own colour: the encoder
// chooses as it goes, trying the transparent index first or its own, or
// takes always the one (a gap between changes in a row takes its own
// colours where it is of up to three pixels whose colours the changes
// use, or of up to 16 that carry on the colours of the changes on either
// side); every eighth frame measures these four ways with a
// counting pass of the encoder, and it and the seven after it take the
// shortest; a frame of at most a sixteenth of the screen measures them
// for itself. The transparent index is the entry no change uses that kept
// pixels show most, or an entry added for it, which the next new colour
// takes while the table is not yet in the file. Each frame's disposal is
// chosen once the next frame is known, so that the two take the least:
// the least area, or, when the frame, the next and the rectangles each
// disposal leaves are all of at most a sixteenth of the screen, the
// fewest bytes by the counting pass (a frame whose pixels turn
// transparent gets a disposal that clears them); a frame equal to the
// one before adds its delay to that one's. A first frame that leaves
// part of the screen uncovered has a transparent index, without which
// some decoders fill the rest with the background colour.
//
// Colours: every colour is kept exactly while each frame's changes hold
// 256 colours or fewer. The global table takes the colours in the order
// they come (after the given palette's, when there is one) until it is
// full; a frame whose new colours do not fit in it gets a local table of
// its changes' colours. When the table is written, the colours that the
// held frames drawn with it use are ordered so that as many frames as can
// use only low entries (a frame's codes are as short as its largest
// entry allows: a sprite's frames often fit 128 entries where the first
// frame needs 256), and those frames' data are renamed to match, code by
// code; the given palette's entries keep their places. Only a frame whose changes hold more than 256
// colours is reduced: to a table of 255 made by median cut from that
// frame's changes, which later frames map to as well while it serves them
// (a mean squared error within three times the one it had on its own
// frame, plus 16); a frame it serves worse gets a table of its own, which
// later frames then share. While the global table is still empty and
// the frames are held, a reduced frame carries the whole table it was
// reduced to; the table most of them carry becomes the global one when
// the header is written, and those frames then carry none (frames of
// other tables keep theirs). A colour maps to the same entry
// in every frame and a pixel whose input does not change keeps the colour
// it shows, so nothing shimmers. Error diffusion is used only when the settings ask
// for it. (A frame of 256 changed colours that must also leave some
// pixels transparent is reduced the same way, being more than one table
// holds.)
//
// Memory: the writer keeps four pictures of the screen as 32-bit pixels
// (the one shown, the one before it, the new frame and the previous input),
// two planes of a byte per pixel for the frame being encoded, and up to
// 4 MB of written data until the global table is known (after that the
// data goes to the file as it is made, and the table's later entries are
// written into place at the end), twice that for the moment it is
// renamed, and tables of 1.4 MB in which the colours of 16-bit pictures
// find their entries in one step: about 18 bytes per screen pixel plus
// 5.4 MB (9.4 MB at that moment), 11 MB for 640x480, whatever the number
// of frames.
//
// The file is written beside its name and put in place by
// close_gif_animation, so an animation that fails or is abandoned leaves
// no file and keeps an older one of the name.
#ifndef TOSSARO_GIF_ANIMATION_H
#define TOSSARO_GIF_ANIMATION_H

#include <allegro.h>

#include <cstdint>
#include <string>

#include "gif/gif_sequence.h"

struct GifAnimationSettings {
   int width = 0, height = 0;  // the logical screen, 1 to 65535 each
   int loop_count = 0;  // 0 loops for ever, N plays N + 1 times, -1 plays once
   // Colours that take the first entries of the global table in this
   // order (its count entries, up to 256); null to take them as they come.
   const ColorTable *palette = nullptr;
   bool dither = false;  // error diffusion where colours must be reduced
};

struct GifAnimation;

// Starts the animation. Returns null, and sets *problem to one line, when
// the settings are out of range or the file cannot be written.
GifAnimation *open_gif_animation(const char *filename, const GifAnimationSettings &settings,
                                 std::string *problem);

// Each adds a frame of the screen's size, shown for `delay` hundredths of
// a second (0 to 65535). Returns 0, or -1 with *problem set when the
// frame does not fit the screen or the file cannot be written; after a
// failure the animation can only be abandoned.
//
// A bitmap of any colour depth: 8-bit ones through the current palette.
// Pixels of value `transparent_color` are transparent (the bitmap's
// bitmap_mask_color() for a sprite's holes), or none when it is -1.
int add_gif_bitmap_frame(GifAnimation *animation, BITMAP *frame, int transparent_color, int delay,
                         std::string *problem);
// Indices of an 8-bit bitmap into `table` (8-bit components); pixels of
// `transparent_index` are transparent, none when it is -1. Indices past
// the table's count are black, as decoders draw them.
int add_gif_indexed_frame(GifAnimation *animation, BITMAP *indices, const ColorTable *table,
                          int transparent_index, int delay, std::string *problem);
// 0xAARRGGBB pixels, row by row, width x height of them; alpha 0 is
// transparent, any other alpha opaque.
int add_gif_rgba_frame(GifAnimation *animation, const uint32_t *pixels, int delay,
                       std::string *problem);

// What an animation came to, for those who show it.
struct GifAnimationReport {
   long frames_added;
   long frames_written;  // fewer where frames repeated
   // Frames whose changes held more colours than one table and were
   // reduced; 0 means every frame shows exactly what was added.
   long frames_reduced;
   long bytes;  // the file's size
};

// Writes the last frame and the trailer, puts the file in place and frees
// the animation. An animation without a frame writes none and fails.
// Returns 0, or -1 with *problem set; then no file is left. Fills
// *report when it is not null.
int close_gif_animation(GifAnimation *animation, std::string *problem,
                        GifAnimationReport *report = nullptr);

// Frees the animation and removes what was written of it; null is allowed.
void abandon_gif_animation(GifAnimation *animation);

#endif
