// tossaro --replay FILE --gif OUT.gif | --frames DIR: a replay rendered
// without a window, sound or display into an animation, or into numbered
// binary PPM files for video editors; the pictures are the playfield as
// the game draws it after each frame's tick, without the frame-rate
// counter. F9's clips are made this way, by a process of their own.
#ifndef TOSSARO_APP_REPLAY_EXPORT_H
#define TOSSARO_APP_REPLAY_EXPORT_H

#include <cstdint>
#include <cstdio>

#include "app/options.h"

// The frames of the part (from, to] of a game taken at `fps` frames a
// second: the k-th, from 1, after tick from + k * 100 / fps (rounded
// down), up to `to`. Each is shown until the next, the last for as long
// as the one before it. Worked out as the export goes, so that its memory
// is the same whatever the length.
struct ExportFrames {
   uint32_t from, to;
   int fps;

   uint32_t count() const;
   // The tick after which the k-th frame is taken, k from 1.
   uint32_t tick(uint32_t k) const;
   // How long the k-th frame is shown, in hundredths.
   int shown(uint32_t k) const;
};

// Renders options.replayFile between options.fromTick and toTick into
// options.gifFile or options.framesFolder, with a progress line on `err`
// when it is a terminal. Returns 0, or 1 after one line on `err` naming
// the file or step that failed.
int exportReplay(const Options &options, FILE *err);

#endif
