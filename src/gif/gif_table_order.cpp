#include "gif/gif_table_order.h"

#include <algorithm>
#include <bitset>
#include <numeric>

namespace {

typedef std::bitset<256> Values;

const int kSmallest = 2, kLargest = 8;  // code sizes a table of 256 entries can take
const long kNever = -1;

// The smallest code size that holds `largest` and whose dictionary holds
// the frame's codes; above kLargest when there is none.
int size_for(const GifDataSummary &f, int largest)
{
   int m = kSmallest;
   while ((1 << m) <= largest)
      m++;
   while (m <= kLargest && f.bits[m] < 0)
      m++;
   return m;
}

long bits_for(const GifDataSummary &f, int largest)
{
   const int m = size_for(f, largest);
   return m <= kLargest ? f.bits[m] : kNever;
}

int largest_renamed(const GifTableFrame &f, const std::vector<uint8_t> &rename)
{
   int largest = f.transparent ? renamed_transparent(f, rename) : 0;
   for (size_t v = 0; v < rename.size(); v++) {
      if (f.data.values[v])
         largest = std::max(largest, int(rename[v]));
   }
   return largest;
}

// The bits of all frames' codes with the entries renamed, or kNever when
// a frame's codes cannot be written so.
long total_bits(const std::vector<GifTableFrame> &frames, const std::vector<uint8_t> &rename)
{
   long total = 0;
   for (const GifTableFrame &f : frames) {
      const long bits = bits_for(f.data, largest_renamed(f, rename));
      if (bits == kNever)
         return kNever;
      total += bits;
   }
   return total;
}

// Chooses `slots` entries of `pool` to join the `forced` ones, so that the
// frames whose values then all lie among them gain the most: greedily by
// what each entry's frames gain, then by swaps while one gains.
Values choose_level(const std::vector<Values> &sets, const std::vector<long> &gains,
                    const Values &pool, const Values &forced, int slots)
{
   std::vector<size_t> useful;
   for (size_t f = 0; f < sets.size(); f++) {
      if (gains[f] > 0 && (sets[f] & ~pool).none())
         useful.push_back(f);
   }
   // Each useful frame's values, listed.
   std::vector<std::vector<uint8_t>> values(sets.size());
   std::vector<long> score(256, 0);
   for (size_t f : useful) {
      for (size_t v = 0; v < 256; v++) {
         if (sets[f][v]) {
            values[f].push_back(uint8_t(v));
            score[v] += gains[f];
         }
      }
   }
   std::vector<int> free;
   for (int v = 0; v < 256; v++) {
      if (pool[size_t(v)] && !forced[size_t(v)])
         free.push_back(v);
   }
   // From all of the pool, the entry whose frames still whole gain least
   // goes, one at a time; of entries alike, the one whose frames gain
   // least in all.
   Values inside = pool;
   for (int left = int(free.size()); left > slots; left--) {
      std::vector<long> loss(256, 0);
      for (size_t f : useful) {
         if ((sets[f] & ~inside).none()) {
            for (uint8_t v : values[f])
               loss[v] += gains[f];
         }
      }
      int worst = -1;
      for (int v : free) {
         if (inside[size_t(v)] &&
             (worst < 0 || loss[size_t(v)] < loss[size_t(worst)] ||
              (loss[size_t(v)] == loss[size_t(worst)] && score[size_t(v)] < score[size_t(worst)])))
            worst = v;
      }
      inside.reset(size_t(worst));
   }

   // A swap takes entry c out and d in: the frames short of d alone gain,
   // unless they hold c, and the frames whole now that hold c lose.
   for (int round = 0; round < 4 * slots; round++) {
      std::vector<long> gainIn(256, 0), lossOut(256, 0);
      std::vector<std::vector<size_t>> shortOf(256);
      for (size_t f : useful) {
         const Values missing = sets[f] & ~inside;
         const size_t count = missing.count();
         if (count == 0) {
            for (uint8_t v : values[f])
               lossOut[v] += gains[f];
         } else if (count == 1) {
            for (uint8_t d : values[f]) {
               if (missing[d]) {
                  gainIn[d] += gains[f];
                  shortOf[d].push_back(f);
               }
            }
         }
      }
      long best = 0;
      int bestIn = -1, bestOut = -1;
      for (int d : free) {
         if (inside[size_t(d)] || gainIn[size_t(d)] <= best)
            continue;
         for (int c : free) {
            if (!inside[size_t(c)])
               continue;
            long gain = gainIn[size_t(d)] - lossOut[size_t(c)];
            for (size_t f : shortOf[size_t(d)])
               gain -= sets[f][size_t(c)] ? gains[f] : 0;
            if (gain > best) {
               best = gain;
               bestIn = d;
               bestOut = c;
            }
         }
      }
      if (bestIn < 0)
         break;
      inside.reset(size_t(bestOut));
      inside.set(size_t(bestIn));
   }
   return inside;
}

}  // namespace

std::vector<uint8_t> order_gif_table(int count, int fixed,
                                     const std::vector<GifTableFrame> &frames)
{
   std::vector<uint8_t> identity(static_cast<size_t>(count));
   std::iota(identity.begin(), identity.end(), 0);
   std::vector<Values> sets;
   for (const GifTableFrame &f : frames)
      sets.push_back(f.data.values);

   // From the largest size down, the entries that frames of the next
   // smaller size may use: each level inside the one before.
   // The smallest code size whose table holds each entry.
   std::vector<int> level(static_cast<size_t>(count), kLargest);
   Values pool;
   for (int v = 0; v < count; v++)
      pool.set(size_t(v));
   for (int m = kLargest - 1; m >= kSmallest; m--) {
      const int slots = 1 << m;
      Values forced;
      for (int v = 0; v < std::min(fixed, slots); v++)
         forced.set(size_t(v));
      Values candidates = pool;
      for (int v = slots; v < fixed; v++)
         candidates.reset(size_t(v));
      if (int(candidates.count()) > slots) {
         // What a frame gains by codes of size m rather than m + 1.
         std::vector<long> gains(frames.size(), 0);
         for (size_t f = 0; f < frames.size(); f++) {
            const long small = bits_for(frames[f].data, slots - 1);
            const long large = bits_for(frames[f].data, 2 * slots - 1);
            const int needs = int(sets[f].count()) + (frames[f].transparent ? 1 : 0);
            if (needs <= slots && small != kNever)
               gains[f] = large == kNever ? 1L << 40 : large - small;
         }
         candidates = choose_level(sets, gains, candidates, forced, slots - int(forced.count()));
      }
      pool = candidates;
      for (int v = 0; v < count; v++)
         level[size_t(v)] -= pool[size_t(v)] ? 1 : 0;
   }

   // The fixed entries keep theirs; the others fill the rest from the
   // innermost level out, in the order they came within a level.
   std::vector<int> others;
   for (int v = fixed; v < count; v++)
      others.push_back(v);
   std::stable_sort(others.begin(), others.end(),
                    [&](int a, int b) { return level[size_t(a)] < level[size_t(b)]; });
   std::vector<uint8_t> rename = identity;
   for (size_t k = 0; k < others.size(); k++)
      rename[size_t(others[k])] = uint8_t(fixed + int(k));

   const long before = total_bits(frames, identity), after = total_bits(frames, rename);
   return after != kNever && (before == kNever || after < before) ? rename : identity;
}

int renamed_transparent(const GifTableFrame &frame, const std::vector<uint8_t> &rename)
{
   Values taken;
   for (size_t v = 0; v < rename.size(); v++) {
      if (frame.data.values[v])
         taken.set(rename[v]);
   }
   int free = 0;
   while (free < 255 && taken[size_t(free)])
      free++;
   return free;
}

int renamed_code_size(const GifTableFrame &frame, const std::vector<uint8_t> &rename)
{
   return size_for(frame.data, largest_renamed(frame, rename));
}
