// The few instruments the game's sounds are made of: tuned notes of a few
// partials, glides, and shaped noise, mixed into one track of samples.
#ifndef TOSSARO_TOOLS_SYNTH_H
#define TOSSARO_TOOLS_SYNTH_H

#include <cstdint>
#include <initializer_list>
#include <vector>

const int kSampleRate = 44100;

// Samples from -1 to 1, one channel.
using Track = std::vector<double>;

// One partial of a note: its frequency as a multiple of the note's, its
// amplitude, and how fast it dies away (its amplitude falls by e each
// 1/decay seconds).
struct Partial {
   double ratio, amplitude, decay;
};

// Adds a note of `frequency` Hz starting `start` seconds in and lasting
// `length` seconds: a click-free attack, partials dying away at their own
// rates, and a short fade to silence at its end.
void add_note(Track &track, double start, double frequency, double length,
              std::initializer_list<Partial> partials, double attack = 0.004);

// Adds a note whose pitch slides from `from` to `to` Hz over its length,
// evenly in pitch.
void add_glide(Track &track, double start, double from, double to, double length,
               std::initializer_list<Partial> partials, double attack = 0.004);

// Adds a burst of noise, softened by a low-pass filter of `cutoff` Hz and
// dying away at `decay`. The noise comes from a fixed generator, so the
// same call always adds the same samples.
void add_noise(Track &track, double start, double length, double amplitude, double decay,
               double cutoff);

// Scales the track so that its loudest sample lies `peakDb` decibels below
// full scale.
void normalise(Track &track, double peakDb);

// The track as 16-bit samples, rounded to the nearest.
std::vector<int16_t> to_pcm16(const Track &track);

#endif
