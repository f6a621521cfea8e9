// Making the codec known to Allegro.
#ifndef TOSSARO_GIF_REGISTER_H
#define TOSSARO_GIF_REGISTER_H

// The datafile object type of a GIF sequence: "GIF ".
const int GIF_DATAFILE_TYPE = 0x47494620;

// After this, load_bitmap and save_bitmap handle ".gif" names through the
// codec, and datafile objects of type "GIF " load as GifSequences.
void register_gif_type();

#endif
