#include "synth.h"

#include <algorithm>
#include <cmath>

namespace {

const double kTwoPi = 6.283185307179586;
// Every sound ends on a fade this long, so it stops without a click.
const double kRelease = 0.010;

size_t sample_at(double seconds)
{
   return size_t(std::lround(seconds * kSampleRate));
}

// 0 to 1 over the attack, 1 in the middle, back to 0 over the release:
// raised cosines, whose slopes are zero at both ends.
double envelope(double t, double length, double attack)
{
   if (t < attack)
      return 0.5 - 0.5 * std::cos(M_PI * t / attack);
   const double left = length - t;
   if (left < kRelease)
      return 0.5 - 0.5 * std::cos(M_PI * std::max(left, 0.0) / kRelease);
   return 1;
}

void grow(Track &track, size_t size)
{
   if (track.size() < size)
      track.resize(size, 0.0);
}

// Adds a note whose frequency at time t is frequency(t).
template <typename Frequency>
void add_partials(Track &track, double start, double length, Frequency frequency,
                  std::initializer_list<Partial> partials, double attack)
{
   const size_t first = sample_at(start), count = sample_at(length);
   grow(track, first + count);
   std::vector<double> phases(partials.size(), 0.0);
   for (size_t i = 0; i < count; i++) {
      const double t = double(i) / kSampleRate;
      const double f = frequency(t);
      double sample = 0;
      size_t k = 0;
      for (const Partial &p : partials) {
         sample += p.amplitude * std::exp(-p.decay * t) * std::sin(phases[k]);
         phases[k] += kTwoPi * f * p.ratio / kSampleRate;
         k++;
      }
      track[first + i] += envelope(t, length, attack) * sample;
   }
}

}  // namespace

void add_note(Track &track, double start, double frequency, double length,
              std::initializer_list<Partial> partials, double attack)
{
   add_partials(
      track, start, length, [=](double) { return frequency; }, partials, attack);
}

void add_glide(Track &track, double start, double from, double to, double length,
               std::initializer_list<Partial> partials, double attack)
{
   const double octaves = std::log2(to / from);
   add_partials(
      track, start, length, [=](double t) { return from * std::exp2(octaves * t / length); },
      partials, attack);
}

void add_noise(Track &track, double start, double length, double amplitude, double decay,
               double cutoff)
{
   const size_t first = sample_at(start), count = sample_at(length);
   grow(track, first + count);
   // A linear congruential generator: the same numbers on every machine.
   uint32_t state = 0x2545F491u;
   const double smoothing = 1 - std::exp(-kTwoPi * cutoff / kSampleRate);
   double low = 0;
   for (size_t i = 0; i < count; i++) {
      state = state * 1664525u + 1013904223u;
      const double white = double(state >> 8) / double(1 << 24) * 2 - 1;
      low += smoothing * (white - low);
      const double t = double(i) / kSampleRate;
      track[first + i] += amplitude * std::exp(-decay * t) * envelope(t, length, 0.001) * low;
   }
}

void normalise(Track &track, double peakDb)
{
   double peak = 0;
   for (double s : track)
      peak = std::max(peak, std::fabs(s));
   if (peak == 0)
      return;
   const double gain = std::pow(10.0, peakDb / 20) / peak;
   for (double &s : track)
      s *= gain;
}

std::vector<int16_t> to_pcm16(const Track &track)
{
   std::vector<int16_t> pcm(track.size());
   for (size_t i = 0; i < track.size(); i++)
      pcm[i] = int16_t(std::lround(std::clamp(track[i], -1.0, 1.0) * 32767));
   return pcm;
}
