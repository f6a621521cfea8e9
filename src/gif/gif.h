// The GIF codec: everything the game, the tools and the tests call. A call
// that fails returns null or -1 and, given a `std::string *problem`, sets
// it to one line saying why; an animation that failed stays failed, each
// later call giving the same reason.
#ifndef TOSSARO_GIF_H
#define TOSSARO_GIF_H

#include <allegro.h>

#include <memory>

#include "gif/gif_animation.h"
#include "gif/gif_draw.h"
#include "gif/gif_reader.h"
#include "gif/gif_register.h"
#include "gif/gif_sequence.h"
#include "gif/gif_writer.h"

// Owners of what the readers and Allegro hand out.
struct GifSequenceFree {
   void operator()(GifSequence *sequence) const { free_gif_sequence(sequence); }
};
using GifSequencePtr = std::unique_ptr<GifSequence, GifSequenceFree>;

struct GifAnimationAbandon {
   void operator()(GifAnimation *animation) const { abandon_gif_animation(animation); }
};
// Owns an animation until close_gif_animation takes it (release() it for
// that call); dropped, it leaves no file.
using GifAnimationPtr = std::unique_ptr<GifAnimation, GifAnimationAbandon>;

struct BitmapDestroy {
   void operator()(BITMAP *bitmap) const { destroy_bitmap(bitmap); }
};
using BitmapPtr = std::unique_ptr<BITMAP, BitmapDestroy>;

#endif
