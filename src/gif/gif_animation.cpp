#include "gif/gif_animation.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "files/replacement_file.h"
#include "gif/gif_blocks.h"
#include "gif/gif_encoder.h"
#include "gif/gif_format.h"
#include "gif/gif_palette.h"
#include "gif/gif_table_order.h"

namespace {

// Pictures are kept as one word a pixel: 0xRRGGBB, or kNothing where the
// screen shows nothing (transparent).
const uint32_t kNothing = 0x01000000;

const int kMaxColors = 256;
// The data kept in memory until the global table is known.
const size_t kHeldBytes = size_t(4) << 20;
// Where the global table starts: after the signature and the screen
// descriptor.
const long kTableOffset = 13;
// Where a frame's transparent index lies in its graphic control block.
const size_t kControlTransparent = 6;

// How often a frame measures the ways of writing kept pixels; a frame
// of at most this part of the screen measures them always, which costs
// little and finds what suits the frame itself (a line of text typed,
// a cursor gone).
const long kChoiceEvery = 8;
const long kSmallPart = 16;
// The widest gaps of kept pixels between two changes in a row that are
// written in their own colours: of any colours the changes use, or of
// the colours of the changes on either side, whose runs they continue.
const int kGap = 3;
const int kRunGap = 16;

struct Rect {
   int x0, y0, x1, y1;  // x1, y1 one past the last column and row; empty when x0 >= x1

   bool empty() const { return x0 >= x1 || y0 >= y1; }
   long area() const { return empty() ? 0 : long(x1 - x0) * (y1 - y0); }
   void add(int x, int y)
   {
      x0 = std::min(x0, x);
      y0 = std::min(y0, y);
      x1 = std::max(x1, x + 1);
      y1 = std::max(y1, y + 1);
   }
   void add(const Rect &r)
   {
      if (r.empty())
         return;
      x0 = std::min(x0, r.x0);
      y0 = std::min(y0, r.y0);
      x1 = std::max(x1, r.x1);
      y1 = std::max(y1, r.y1);
   }
   bool contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
   bool operator==(const Rect &r) const
   {
      return x0 == r.x0 && y0 == r.y0 && x1 == r.x1 && y1 == r.y1;
   }
};

const Rect kNoRect = {1 << 30, 1 << 30, -1, -1};

// The entries of colours in a table: a map, with a cache in front of it
// that answers for the colours of 16-bit pictures in one step, those the
// table lacks as well.
class EntryIndex {
public:
   // The colour's entry, or -1.
   int find(uint32_t rgb)
   {
      if (const uint16_t *cached = cache_.find(rgb))
         return *cached == kNone ? -1 : int(*cached);
      const uint32_t *found = map_.find(rgb);
      cache_.put(rgb, found ? uint16_t(*found) : kNone);
      return found ? int(*found) : -1;
   }
   void set(uint32_t rgb, int entry)
   {
      map_[rgb] = uint32_t(entry);
      cache_.put(rgb, uint16_t(entry));
   }
   void clear()
   {
      map_.clear();
      cache_.clear();
   }

private:
   static constexpr uint16_t kNone = 0xFFFF;
   GifColorMap map_;
   GifColorCache cache_;
};

uint32_t rgb_of(const GifColor &c)
{
   return uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b;
}

}  // namespace

struct GifAnimation {
   int w = 0, h = 0;
   int loop = 0;
   bool dither = false;
   OutputFile file;
   std::string failure;  // why the animation failed, once it has

   // The global table: colours in the order they came, the index of each,
   // and the entry kept for transparency (-1 until a frame needs one).
   std::vector<uint32_t> global;
   EntryIndex globalIndex;
   int transparentSlot = -1;
   int fixedEntries = 0;  // the given palette's, which keep their places

   // Output before the header (the table's size is not known yet) and,
   // once it is written, how many table entries it holds.
   bool headerWritten = false;
   std::vector<uint8_t> held;
   size_t tableWritten = 0;
   long bytes = 0;

   // The frame not yet written (its picture `shown`, drawn over `under`),
   // the next picture, and the last input as it was given.
   bool pending = false;
   int pendingDelay = 0;
   bool pendingFirst = true;
   std::vector<uint32_t> shown, under, next, input;
   bool nextHoles = false;  // whether the next picture shows nothing somewhere
   std::vector<uint8_t> changedRows;  // of the next picture's input, 1 for each that changed
   // The colour of each pixel value of bitmaps of this depth (0 for none).
   std::vector<uint32_t> pixelColors;
   int pixelColorsDepth = 0;

   // The table colours are reduced to, the entry each colour takes in it,
   // and its mean error on the frame it was made from.
   std::vector<uint32_t> reduced;
   GifNearest reducedNearest;
   int lastReduced = -1;  // the entry last found, likely near the next colour
   GifColorCache reducedEntries;
   long reducedError = 0;
   bool everReduced = false;
   long reducedMade = 0;  // tables made so far

   // The table for reduced frames that made the pending picture, which of
   // those made it is, and the entry of each of its colours.
   std::vector<uint32_t> shownReduced;
   long shownReducedMade = 0;
   GifColorMap shownReducedEntries;
   // Held frames that carry a table for reduced frames: where it starts in
   // `held`, which table it is, and its colours before the entry added
   // for transparency.
   struct SharedTable {
      size_t at;
      long made;
      int colors;
   };
   std::vector<SharedTable> shared;
   // Held frames drawn with the global table, whose values are renamed
   // when its order is chosen: where the byte of each one's transparent
   // index and its data start in `held`.
   struct HeldFrame {
      size_t transparentAt;
      int transparent;
      size_t data;
   };
   std::vector<HeldFrame> heldFrames;

   // One frame's colours, planes and blocks.
   EntryIndex frameIndex;
   std::vector<uint32_t> frameColors;
   std::vector<uint8_t> pixels, either, frameBytes;
   // The planes and colours of the drawings that choose a small frame's
   // disposal.
   GifColorMap estimateMap;
   std::vector<uint8_t> estimatePixels, estimateEither;

   long added = 0, written = 0, reducedFrames = 0;
   int choice = GIF_TRANSPARENT_FIRST;  // the way last found shortest
};

namespace {

bool fail(GifAnimation *a, const std::string &why, std::string *problem)
{
   if (a->failure.empty())
      a->failure = why;
   if (problem)
      *problem = a->failure;
   return false;
}

// ---------------------------------------------------------------------------
// Output.

void write_header(GifAnimation *a, int entries, std::vector<uint8_t> *out)
{
   const int b = entries ? gif_table_exponent(entries) : 0;
   put_gif_header(out, a->w, a->h, b, 0);
   if (b)
      put_gif_table(out, gif_color_table(a->global), b);
   a->tableWritten = std::min(a->global.size(), size_t(b ? 1 << b : 0));
   if (a->loop >= 0)
      put_gif_loop(out, a->loop);
   a->headerWritten = true;
}

bool write_bytes(GifAnimation *a, const std::vector<uint8_t> &bytes, std::string *problem)
{
   if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), a->file.stream()) != bytes.size())
      return fail(a, std::string("cannot write: ") + strerror(errno), problem);
   a->bytes += long(bytes.size());
   return true;
}

// The table for reduced frames that most held frames carry becomes the
// global table, and those frames go without theirs; their data is the
// same, the entries meaning the same colours.
void adopt_shared_table(GifAnimation *a)
{
   if (a->shared.empty())
      return;
   // The frames of a table come one after another.
   size_t best = 0, bestFrames = 0;
   for (size_t k = 0, first = 0; k < a->shared.size(); k++) {
      if (a->shared[k].made != a->shared[first].made)
         first = k;
      if (k + 1 - first > bestFrames) {
         best = first;
         bestFrames = k + 1 - first;
      }
   }
   const GifAnimation::SharedTable chosen = a->shared[best];
   const uint8_t *table = &a->held[chosen.at];
   for (int k = 0; k < chosen.colors; k++) {
      const uint32_t c =
         uint32_t(table[3 * k]) << 16 | uint32_t(table[3 * k + 1]) << 8 | table[3 * k + 2];
      a->global.push_back(c);
      if (a->globalIndex.find(c) < 0)
         a->globalIndex.set(c, k);
   }
   if (chosen.colors < kMaxColors) {
      a->transparentSlot = chosen.colors;
      a->global.push_back(0);
   }

   // The bytes between the tables move down in place.
   const size_t tableBytes = size_t(3) * kMaxColors;
   uint8_t *held = a->held.data();
   size_t from = 0, to = 0;
   for (const GifAnimation::SharedTable &t : a->shared) {
      if (t.made != chosen.made)
         continue;
      held[t.at - 1] &= uint8_t(~(GIF_TABLE_FLAG | 7));  // the descriptor's table bits
      std::copy(held + from, held + t.at, held + to);
      to += t.at - from;
      from = t.at + tableBytes;
   }
   std::copy(held + from, held + a->held.size(), held + to);
   a->held.resize(to + a->held.size() - from);
   std::vector<GifAnimation::SharedTable>().swap(a->shared);
}

// The global table's order, chosen when it is written from the values
// of the held frames drawn with it: those frames' data are renamed to
// the new entries, code by code.
void order_table(GifAnimation *a)
{
   std::vector<GifTableFrame> frames;
   for (const GifAnimation::HeldFrame &f : a->heldFrames) {
      frames.push_back({summarize_gif_data(&a->held[f.data]), f.transparent >= 0});
      if (f.transparent >= 0)
         frames.back().data.values.reset(size_t(f.transparent));
   }
   const std::vector<uint8_t> rename =
      order_gif_table(int(a->global.size()), a->fixedEntries, frames);
   // A frame's transparent index takes the lowest entry its other values
   // leave: it shows no colour, so any unused entry serves.
   std::vector<int> transparents;
   bool same = true;
   for (size_t v = 0; v < rename.size(); v++)
      same = same && rename[v] == v;
   for (size_t k = 0; k < frames.size(); k++) {
      const int t = a->heldFrames[k].transparent;
      transparents.push_back(t < 0 ? t : renamed_transparent(frames[k], rename));
      same = same && transparents.back() == t;
   }
   if (same) {
      std::vector<GifAnimation::HeldFrame>().swap(a->heldFrames);
      return;
   }

   std::vector<uint8_t> held;
   held.reserve(a->held.size());
   size_t from = 0;
   uint8_t values[kMaxColors] = {};
   std::copy(rename.begin(), rename.end(), values);
   for (size_t k = 0; k < a->heldFrames.size(); k++) {
      const GifAnimation::HeldFrame &f = a->heldFrames[k];
      if (f.transparent >= 0) {
         values[f.transparent] = uint8_t(transparents[k]);
         a->held[f.transparentAt] = values[f.transparent];
      }
      held.insert(held.end(), a->held.begin() + long(from), a->held.begin() + long(f.data));
      rename_gif_data(&a->held[f.data], values, renamed_code_size(frames[k], rename), &held);
      held.push_back(0);
      from = f.data + frames[k].data.size;
      if (f.transparent >= 0)
         values[f.transparent] = rename[size_t(f.transparent)];
   }
   held.insert(held.end(), a->held.begin() + long(from), a->held.end());
   a->held.swap(held);
   std::vector<GifAnimation::HeldFrame>().swap(a->heldFrames);

   std::vector<uint32_t> global(a->global.size());
   EntryIndex index;
   for (size_t v = 0; v < global.size(); v++) {
      const uint32_t c = a->global[v];
      global[rename[v]] = c;
      if (a->globalIndex.find(c) == int(v))
         index.set(c, rename[v]);
   }
   a->global.swap(global);
   a->globalIndex = std::move(index);
   if (a->transparentSlot >= 0)
      a->transparentSlot = rename[size_t(a->transparentSlot)];
}

// Frames go to memory until there are too many bytes of them; then the
// header goes out with a table of 256 entries, whose later colours are
// written into place at the end.
bool emit(GifAnimation *a, const std::vector<uint8_t> &bytes, std::string *problem)
{
   if (a->headerWritten)
      return write_bytes(a, bytes, problem);
   a->held.insert(a->held.end(), bytes.begin(), bytes.end());
   if (a->held.size() <= kHeldBytes)
      return true;
   adopt_shared_table(a);
   order_table(a);
   std::vector<uint8_t> header;
   write_header(a, kMaxColors, &header);
   const bool ok = write_bytes(a, header, problem) && write_bytes(a, a->held, problem);
   std::vector<uint8_t>().swap(a->held);
   return ok;
}

// ---------------------------------------------------------------------------
// Choosing a table for a frame and writing it.

// Maps the colours of a frame's changes (more than fit in one table) to a
// median cut of them, in `shown` too: the picture that is really shown.
void reduce_changes(GifAnimation *a, const Rect &r)
{
   GifColorMap counts;
   for (int y = r.y0; y < r.y1; y++) {
      for (int x = r.x0; x < r.x1; x++) {
         const size_t p = size_t(y) * a->w + x;
         if (a->shown[p] != a->under[p] && a->shown[p] != kNothing)
            counts[a->shown[p]]++;
      }
   }
   std::vector<GifColorCount> colors = counts.colors();
   const std::vector<uint32_t> table = median_cut(colors, kMaxColors - 1);
   const GifNearest nearest(table);
   for (const GifColorCount &c : colors)
      counts[c.rgb] = table[size_t(nearest(c.rgb))];
   for (int y = r.y0; y < r.y1; y++) {
      for (int x = r.x0; x < r.x1; x++) {
         const size_t p = size_t(y) * a->w + x;
         if (a->shown[p] != a->under[p] && a->shown[p] != kNothing)
            a->shown[p] = *counts.find(a->shown[p]);
      }
   }
   a->reducedFrames++;
}

// A few kept pixels amid changes in a row take their own colours, where
// the changes use those colours too: a sprite some of whose pixels happen
// to match what was under it is then written whole, its strings unbroken
// by transparent holes, and a run of one colour (a ring the sprite leaves
// behind, say) goes on through the pixels that already show it; the frame
// needs no entry more. (Where a pixel's flag is 1 it may be written as
// its own entry or transparent; 0 fixes it.)
void fill_gaps(const uint8_t *pixels, uint8_t *either, int w, int h, int transparent,
               const bool *used)
{
   for (int y = 0; y < h; y++) {
      const uint8_t *p = pixels + size_t(y) * w;
      uint8_t *f = either + size_t(y) * w;
      int lastChange = -1;
      for (int x = 0; x < w; x++) {
         if (f[x] == 1)
            continue;
         if (p[x] == transparent) {
            lastChange = -1;
            continue;
         }
         const int gap = x - lastChange - 1;
         if (lastChange >= 0 && gap > 0 && gap <= kRunGap) {
            bool usedColours = gap <= kGap, runs = true;
            for (int k = lastChange + 1; k < x; k++) {
               usedColours = usedColours && used[p[k]];
               runs = runs && (p[k] == p[lastChange] || p[k] == p[x]);
            }
            if (usedColours || runs)
               std::fill(f + lastChange + 1, f + x, 0);
         }
         lastChange = x;
      }
   }
}

// The blocks before a frame's data: its control, its descriptor and its
// local table, when it has one.
void put_frame_head(std::vector<uint8_t> *out, const Rect &r, GifDisposal disposal, int delay,
                    int transparent, const std::vector<uint32_t> *local)
{
   put_gif_control(out, disposal, delay, transparent);
   const int b = local ? gif_table_exponent(int(local->size())) : 0;
   put_gif_descriptor(out, r.x0, r.y0, r.x1 - r.x0, r.y1 - r.y0, b);
   if (local)
      put_gif_table(out, gif_color_table(*local), b);
}

// Writes the pending frame: rectangle `r` of `shown`, drawn over `under`,
// then disposed of by `disposal`.
bool write_frame(GifAnimation *a, Rect r, GifDisposal disposal, std::string *problem)
{
   if (r.empty())
      r = {0, 0, 1, 1};
   const int rw = r.x1 - r.x0, rh = r.y1 - r.y0;
   // Decoders differ on what a first frame leaves uncovered, unless it
   // has a transparent index: then all show nothing there.
   const bool uncovered = a->written == 0 && r.area() < long(a->w) * a->h;

   // The colours of the changes, in the order they come, and whether any
   // pixel keeps what is under it; in the planes, each change's place in
   // that order and each kept pixel marked.
   a->frameIndex.clear();
   a->frameColors.clear();
   a->pixels.resize(size_t(rw) * rh);
   a->either.resize(size_t(rw) * rh);
   bool keeps = uncovered;
   uint8_t *pixel = a->pixels.data(), *flag = a->either.data();
   for (int y = r.y0; y < r.y1 && a->frameColors.size() <= size_t(kMaxColors); y++) {
      const uint32_t *s = &a->shown[size_t(y) * a->w], *u = &a->under[size_t(y) * a->w];
      for (int x = r.x0; x < r.x1; x++, pixel++, flag++) {
         if (s[x] == u[x]) {
            keeps = true;
            *flag = 1;
            continue;
         }
         int place = a->frameIndex.find(s[x]);
         if (place < 0) {
            place = int(a->frameColors.size());
            a->frameColors.push_back(s[x]);
            a->frameIndex.set(s[x], place);
         }
         *pixel = uint8_t(place);
         *flag = 0;
      }
   }
   const int count = int(a->frameColors.size());
   if (count > kMaxColors || (count == kMaxColors && keeps)) {
      // With all 256 entries taken by changes, kept pixels can only be
      // painted with their own colour, which the table must hold.
      bool paintable = count == kMaxColors && !uncovered;
      for (int y = r.y0; paintable && y < r.y1; y++) {
         for (int x = r.x0; x < r.x1; x++) {
            const size_t p = size_t(y) * a->w + x;
            if (a->shown[p] == a->under[p] && a->frameIndex.find(a->shown[p]) < 0) {
               paintable = false;
               break;
            }
         }
      }
      if (!paintable) {
         reduce_changes(a, r);
         return write_frame(a, r, disposal, problem);
      }
   }

   // While the frames are held and the global table is empty, a frame
   // made of a table for reduced frames carries all of that table, so that
   // the frames of one table carry the same, the one most carry becoming
   // the global table; other frames then have tables of their own.
   const bool holding = !a->headerWritten && a->global.empty();
   bool shared = holding && !a->shownReduced.empty() && count > 0;
   for (size_t k = 0; shared && k < a->frameColors.size(); k++)
      shared = a->shownReducedEntries.find(a->frameColors[k]) != nullptr;
   // Else the global table when it holds the colours or has room for
   // them, else a local table of them, in the order they came.
   int fresh = 0;
   for (uint32_t c : a->frameColors)
      fresh += a->globalIndex.find(c) < 0 ? 1 : 0;
   // The entry kept for transparency shows no colour in any frame before,
   // so the next new colour may take it while it is not yet in the file.
   const bool slotFree = a->transparentSlot >= int(a->tableWritten);
   const bool local = shared || (holding && !a->shared.empty()) ||
                      int(a->global.size()) - (slotFree ? 1 : 0) + fresh > kMaxColors;
   std::vector<uint32_t> localColors;
   EntryIndex *index = &a->frameIndex;
   uint8_t entries[kMaxColors];  // of the changes' colours, by place
   if (shared) {
      localColors = a->shownReduced;
      localColors.resize(kMaxColors, 0);
      for (int k = 0; k < count; k++)
         entries[k] = uint8_t(*a->shownReducedEntries.find(a->frameColors[size_t(k)]));
      // Kept pixels find their entries in the whole table.
      for (size_t k = 0; k < a->shownReduced.size(); k++)
         a->frameIndex.set(a->shownReduced[k], int(k));
   } else if (local) {
      localColors = a->frameColors;
      for (int k = 0; k < count; k++)
         entries[k] = uint8_t(k);
   } else {
      for (int k = 0; k < count; k++) {
         const uint32_t c = a->frameColors[size_t(k)];
         int entry = a->globalIndex.find(c);
         if (entry >= 0) {
         } else if (a->transparentSlot >= int(a->tableWritten)) {
            entry = a->transparentSlot;
            a->global[size_t(entry)] = c;
            a->transparentSlot = -1;
         } else {
            entry = int(a->global.size());
            a->global.push_back(c);
         }
         a->globalIndex.set(c, entry);
         entries[k] = uint8_t(entry);
      }
      index = &a->globalIndex;
   }
   std::vector<uint32_t> &table = local ? localColors : a->global;

   // The planes: a change takes its colour's entry; a kept pixel its own,
   // counted for the choice of the transparent index, or is marked as
   // having none. Each kept pixel is looked up, which costs less than
   // asking whether its colour is the one before.
   long kept[4][kMaxColors + 1] = {};
   pixel = a->pixels.data();
   flag = a->either.data();
   for (int y = r.y0; y < r.y1; y++) {
      const uint32_t *s = &a->shown[size_t(y) * a->w];
      for (int x = r.x0; x < r.x1; x++, pixel++, flag++) {
         if (*flag == 0) {
            *pixel = entries[*pixel];
            continue;
         }
         const int own = s[x] == kNothing ? -1 : index->find(s[x]);
         kept[x & 3][own + 1]++;
         *pixel = uint8_t(own);
         *flag = own >= 0 ? 1 : 2;
      }
   }
   for (int k = 0; k <= kMaxColors; k++)
      kept[0][k] += kept[1][k] + kept[2][k] + kept[3][k];

   // The transparent index: of the entries no change uses, the one kept
   // pixels show most (they are then the same whichever way they are
   // written); one added when there is none.
   int transparent = -1;
   bool used[kMaxColors] = {};
   for (int k = 0; k < count; k++)
      used[entries[k]] = true;
   if (keeps) {
      for (int k = 0; k < int(table.size()); k++) {
         if (!used[k] && (transparent < 0 || kept[0][k + 1] > kept[0][transparent + 1]))
            transparent = k;
      }
      if (transparent < 0 && !local && a->transparentSlot >= 0)
         transparent = a->transparentSlot;
      if (transparent < 0 && int(table.size()) < kMaxColors) {
         transparent = int(table.size());
         table.push_back(0);
         if (!local)
            a->transparentSlot = transparent;
      }
   }

   // A kept pixel is then its own entry or the transparent one, whichever
   // the encoder finds shorter; the transparent one when it has none.
   bool choices = false, paintable = true;
   if (keeps) {
      const size_t n = size_t(rw) * rh;
      pixel = a->pixels.data();
      flag = a->either.data();
      for (size_t i = 0; i < n; i++) {
         if (flag[i] == 0)
            continue;
         if (transparent < 0) {
            pixel[i] = flag[i] == 1 ? pixel[i] : uint8_t(-1);
            flag[i] = 0;
         } else if (flag[i] == 1 && pixel[i] != transparent) {
            choices = true;
         } else {
            paintable = paintable && flag[i] == 1;
            pixel[i] = uint8_t(transparent);
            flag[i] = 0;
         }
      }
   }

   if (choices)
      fill_gaps(a->pixels.data(), a->either.data(), rw, rh, transparent, used);

   std::vector<uint8_t> &out = a->frameBytes;
   out.clear();
   put_frame_head(&out, r, disposal, a->pendingDelay, transparent, local ? &table : nullptr);
   if (shared)
      a->shared.push_back({a->held.size() + out.size() - size_t(3) * kMaxColors,
                           a->shownReducedMade, int(a->shownReduced.size())});
   else if (!local && !a->headerWritten)
      a->heldFrames.push_back(
         {a->held.size() + kControlTransparent, transparent, a->held.size() + out.size()});
   // The shortest of the ways to make the choices, measured without
   // writing, on every eighth frame, whose way the frames between keep,
   // and on every small one, for itself alone.
   // Painting every kept pixel is a way only where all can be.
   GifIndices image = {a->pixels.data(), choices ? a->either.data() : nullptr, rw, rh, transparent,
                       GifChoice(a->choice)};
   if (image.choice == GIF_OWN && !paintable)
      image.choice = GIF_TRANSPARENT_FIRST;
   const bool small = long(rw) * rh * kSmallPart <= long(a->w) * a->h;
   const bool everyEighth = a->written % kChoiceEvery == 0;
   if (choices && (small || everyEighth)) {
      long best = -1;
      GifChoice shortest = image.choice;
      for (GifChoice choice : {GIF_TRANSPARENT_FIRST, GIF_OWN_FIRST, GIF_TRANSPARENT, GIF_OWN}) {
         if (choice == GIF_OWN && !paintable)
            continue;
         image.choice = choice;
         const long size = count_gif_indices(image);
         if (best < 0 || size < best) {
            best = size;
            shortest = choice;
         }
      }
      image.choice = shortest;
      if (everyEighth)
         a->choice = shortest;
   }
   encode_gif_indices(image, &out);
   out.push_back(0);
   a->written++;
   return emit(a, out, problem);
}

// ---------------------------------------------------------------------------
// Choosing the disposal of the pending frame once the next is known.

// Whether the changes from `before` to `after` within `r` hold few enough
// colours for one table.
bool changes_fit(const GifAnimation *a, const std::vector<uint32_t> &before,
                 const std::vector<uint32_t> &after, const Rect &r)
{
   GifColorMap colors;
   uint32_t last = kNothing;
   for (int y = r.y0; y < r.y1; y++) {
      for (int x = r.x0; x < r.x1; x++) {
         const size_t p = size_t(y) * a->w + x;
         if (before[p] != after[p] && after[p] != last) {
            last = after[p];
            colors[last] = 1;
            if (colors.size() >= size_t(kMaxColors))
               return false;
         }
      }
   }
   return true;
}

// About the bytes of drawing `after` within `r` over what is there: the
// pending frame's `before`, with `cleared` showing nothing. Colours take
// entries in the order they come and kept pixels may be transparent, as
// the writer would have them; its tables and heads, the same whichever
// disposal, are left out.
long drawing_size(GifAnimation *a, const std::vector<uint32_t> &before, const Rect &cleared,
                  const std::vector<uint32_t> &after, const Rect &r)
{
   if (r.empty())
      return 1;
   const int rw = r.x1 - r.x0, rh = r.y1 - r.y0;
   a->estimateMap.clear();
   a->estimatePixels.resize(size_t(rw) * rh);
   a->estimateEither.resize(size_t(rw) * rh);
   uint8_t *pixel = a->estimatePixels.data(), *flag = a->estimateEither.data();
   for (int y = r.y0; y < r.y1; y++) {
      const bool rowCleared = y >= cleared.y0 && y < cleared.y1;
      for (int x = r.x0; x < r.x1; x++, pixel++, flag++) {
         const size_t p = size_t(y) * a->w + x;
         const bool gone = rowCleared && x >= cleared.x0 && x < cleared.x1;
         const uint32_t was = gone ? kNothing : before[p];
         uint32_t &order = a->estimateMap[after[p]];
         if (order == 0)
            order = uint32_t(a->estimateMap.size() % (kMaxColors - 1)) + 1;
         *pixel = uint8_t(order - 1);
         *flag = after[p] == was ? 1 : 0;
      }
   }
   const GifIndices image = {a->estimatePixels.data(), a->estimateEither.data(), rw, rh,
                             kMaxColors - 1, GifChoice(a->choice)};
   return count_gif_indices(image);
}

// The disposal by which the pending frame and the next take the least,
// with the rectangle the pending frame is then written with. A disposal is
// possible only if every pixel that the next picture leaves empty is
// empty after it: keeping the frame, or restoring what was under it, or
// clearing its rectangle (grown to take in those pixels).
struct Choice {
   GifDisposal disposal;
   Rect rect;  // of the pending frame
};

Choice choose_disposal(GifAnimation *a)
{
   Rect changed = kNoRect;  // of the pending frame over what is under it
   Rect afterKeep = kNoRect, afterRestore = kNoRect;  // of the next frame
   Rect emptied = kNoRect;  // pixels the next picture empties
   bool restorable = !a->pendingFirst;
   const int w = a->w;
   for (int y = 0; y < a->h; y++) {
      const uint32_t *s = &a->shown[size_t(y) * w], *u = &a->under[size_t(y) * w],
                     *n = &a->next[size_t(y) * w];
      const bool same = memcmp(s, u, size_t(w) * 4) == 0;
      if (same && memcmp(n, s, size_t(w) * 4) == 0)
         continue;
      for (int x = 0; x < w; x++) {
         if (s[x] != u[x])
            changed.add(x, y);
         if (n[x] != s[x])
            afterKeep.add(x, y);
         if (n[x] != u[x])
            afterRestore.add(x, y);
         if (n[x] == kNothing) {
            if (s[x] != kNothing)
               emptied.add(x, y);
            if (u[x] != kNothing)
               restorable = false;
         }
      }
   }

   // Clearing: the next frame draws whatever it shows inside the cleared
   // rectangle, and its changes outside it.
   Rect cleared = changed;
   cleared.add(emptied);
   Rect afterClear = kNoRect;
   if (!a->nextHoles) {
      // Then the next frame draws all of the cleared rectangle.
      afterClear = cleared;
      afterClear.add(afterKeep);
   }
   for (int y = 0; a->nextHoles && !cleared.empty() && y < a->h; y++) {
      const uint32_t *s = &a->shown[size_t(y) * w], *n = &a->next[size_t(y) * w];
      const bool inside = y >= cleared.y0 && y < cleared.y1;
      if (!inside && memcmp(n, s, size_t(w) * 4) == 0)
         continue;
      for (int x = 0; x < w; x++) {
         if (inside && x >= cleared.x0 && x < cleared.x1 ? n[x] != kNothing : n[x] != s[x])
            afterClear.add(x, y);
      }
   }

   // The cost of each disposal: the area both frames cover, or, when
   // all those rectangles are small, the bytes they take, which tell
   // apart what areas alike do not (text that scrolls, a cursor that
   // blinks).
   const long small = long(w) * a->h / kSmallPart;
   const bool measured = changed.area() <= small && afterKeep.area() <= small &&
                         afterRestore.area() <= small && cleared.area() <= small &&
                         afterClear.area() <= small;
   const long pendingSize = measured ? drawing_size(a, a->under, kNoRect, a->shown, changed) : 0;
   const auto cost = [&](const Rect &frame, const std::vector<uint32_t> &before,
                         const Rect &gone, const Rect &next) {
      if (!measured)
         return frame.area() + std::max(next.area(), 1L);
      const long own =
         frame == changed ? pendingSize : drawing_size(a, a->under, kNoRect, a->shown, frame);
      return own + drawing_size(a, before, gone, a->next, next);
   };

   Choice best = {GIF_DISPOSAL_KEEP, changed};
   long bestCost = -1;
   if (emptied.empty())
      bestCost = cost(changed, a->shown, kNoRect, afterKeep);
   if (restorable) {
      const long c = cost(changed, a->under, kNoRect, afterRestore);
      if ((bestCost < 0 || c < bestCost) &&
          (bestCost < 0 || changes_fit(a, a->under, a->next, afterRestore))) {
         best = {GIF_DISPOSAL_PREVIOUS, changed};
         bestCost = c;
      }
   }
   if (cleared.empty())
      return best;
   const long c = cost(cleared, a->shown, cleared, afterClear);
   if (bestCost < 0 || c < bestCost) {
      if (bestCost < 0 || changes_fit(a, a->shown, a->next, afterClear))
         best = {GIF_DISPOSAL_BACKGROUND, cleared};
   }
   return best;
}

// Writes the pending frame with the best disposal for the next picture,
// which then becomes the pending one.
bool write_pending(GifAnimation *a, std::string *problem)
{
   const Choice choice = choose_disposal(a);
   if (!write_frame(a, choice.rect, choice.disposal, problem))
      return false;
   if (choice.disposal == GIF_DISPOSAL_KEEP) {
      a->under.swap(a->shown);
   } else if (choice.disposal == GIF_DISPOSAL_BACKGROUND) {
      a->under.swap(a->shown);
      const Rect &r = choice.rect;
      for (int y = r.y0; y < r.y1; y++)
         std::fill_n(&a->under[size_t(y) * a->w + r.x0], r.x1 - r.x0, kNothing);
   }
   a->shown.swap(a->next);
   a->pendingFirst = false;
   return true;
}

// ---------------------------------------------------------------------------
// Taking a frame in: `next` holds the input's colours.

// The entry of the table for reduced frames nearest to `rgb`.
int reduced_entry(GifAnimation *a, uint32_t rgb)
{
   if (const uint16_t *entry = a->reducedEntries.find(rgb))
      return *entry;
   const int entry = a->reducedNearest(rgb, a->lastReduced);
   a->lastReduced = entry;
   a->reducedEntries.put(rgb, uint16_t(entry));
   return entry;
}

// The mean squared error, per pixel, of mapping the counted colours to
// the table for reduced frames; a sample of a few thousand colours stands
// for many.
long mean_error(GifAnimation *a, const std::vector<GifColorCount> &colors)
{
   const size_t step = colors.size() / 4096 + 1;
   uint64_t sum = 0, n = 0;
   for (size_t i = 0; i < colors.size(); i += step) {
      const uint32_t c = colors[i].rgb;
      sum += uint64_t(color_distance(c, a->reduced[size_t(reduced_entry(a, c))])) * colors[i].count;
      n += colors[i].count;
   }
   return n ? long(sum / n) : 0;
}

uint32_t reduced_color(GifAnimation *a, uint32_t rgb)
{
   return a->reduced[size_t(reduced_entry(a, rgb))];
}

// Reduces the changed pixels of `next` (those unlike `input`) to the
// table for reduced frames, made anew from this frame when there is none
// or it serves the frame badly.
void reduce_input(GifAnimation *a, GifColorMap &counts)
{
   std::vector<GifColorCount> colors = counts.colors();
   if (a->reduced.empty() || mean_error(a, colors) > 3 * a->reducedError + 16) {
      a->reduced = median_cut(colors, kMaxColors - 1);
      a->reducedNearest = GifNearest(a->reduced);
      a->reducedEntries.clear();
      a->reducedError = mean_error(a, colors);
      a->reducedMade++;
   }
   a->everReduced = true;
   a->reducedFrames++;

   if (!a->dither) {
      for (int y = 0; y < a->h; y++) {
         const size_t row = size_t(y) * a->w;
         if (!a->changedRows[size_t(y)]) {
            std::copy_n(&a->shown[row], a->w, &a->next[row]);
            continue;
         }
         for (size_t p = row; p < row + size_t(a->w); p++) {
            const uint32_t c = a->next[p];
            if (c == a->input[p]) {
               a->next[p] = a->shown[p];
            } else {
               a->input[p] = c;
               if (c != kNothing)
                  a->next[p] = reduced_color(a, c);
            }
         }
      }
      return;
   }
   // Floyd-Steinberg over the changed pixels: each passes what its colour
   // misses to its neighbours to the right and below.
   const int w = a->w;
   std::vector<int> errors(size_t(w + 2) * 3 * 2, 0);
   for (int y = 0; y < a->h; y++) {
      int *row = &errors[size_t(y % 2) * (w + 2) * 3 + 3];
      int *below = &errors[size_t((y + 1) % 2) * (w + 2) * 3 + 3];
      std::fill_n(below - 3, (w + 2) * 3, 0);
      for (int x = 0; x < w; x++) {
         const size_t p = size_t(y) * w + x;
         const uint32_t c = a->next[p];
         if (c == a->input[p]) {
            a->next[p] = a->shown[p];
            continue;
         }
         a->input[p] = c;
         if (c == kNothing)
            continue;
         int want[3];
         uint32_t rgb = 0;
         for (int k = 0; k < 3; k++) {
            want[k] = std::clamp(int(c >> (16 - 8 * k) & 0xFF) + row[3 * x + k] / 16, 0, 255);
            rgb |= uint32_t(want[k]) << (16 - 8 * k);
         }
         const uint32_t got = reduced_color(a, rgb);
         a->next[p] = got;
         for (int k = 0; k < 3; k++) {
            const int e = want[k] - int(got >> (16 - 8 * k) & 0xFF);
            row[3 * (x + 1) + k] += 7 * e;
            below[3 * (x - 1) + k] += 3 * e;
            below[3 * x + k] += 5 * e;
            below[3 * (x + 1) + k] += e;
         }
      }
   }
}

// Turns the input in `next` into the picture to show: the input's own
// colours while its changes fit in a table, else reduced ones; pixels
// whose input did not change keep what they show.
void make_picture(GifAnimation *a)
{
   // Most rows of a game's frames are as they were: those are compared
   // whole, and take what is shown.
   const int w = a->w;
   a->changedRows.resize(size_t(a->h));
   for (int y = 0; y < a->h; y++) {
      const size_t row = size_t(y) * w;
      a->changedRows[size_t(y)] = memcmp(&a->next[row], &a->input[row], size_t(w) * 4) != 0;
   }
   // Counted a run of one colour at a time.
   GifColorMap counts;
   uint32_t last = kNothing, run = 0;
   for (int y = 0; y < a->h; y++) {
      if (!a->changedRows[size_t(y)])
         continue;
      const uint32_t *next = &a->next[size_t(y) * w], *input = &a->input[size_t(y) * w];
      for (int x = 0; x < w; x++) {
         const uint32_t c = next[x];
         if (c == input[x] || c == kNothing)
            continue;
         if (c == last) {
            run++;
            continue;
         }
         if (run)
            counts[last] += run;
         last = c;
         run = 1;
      }
   }
   if (run)
      counts[last] += run;
   if (counts.size() > size_t(kMaxColors)) {
      reduce_input(a, counts);
      return;
   }
   for (int y = 0; y < a->h; y++) {
      const size_t row = size_t(y) * w;
      if (a->changedRows[size_t(y)] && !a->everReduced) {
         std::copy_n(&a->next[row], w, &a->input[row]);
      } else if (a->changedRows[size_t(y)]) {
         for (size_t p = row; p < row + size_t(w); p++) {
            if (a->next[p] == a->input[p])
               a->next[p] = a->shown[p];
            else
               a->input[p] = a->next[p];
         }
      } else if (a->everReduced) {
         std::copy_n(&a->shown[row], w, &a->next[row]);
      }
   }
}

bool add_picture(GifAnimation *a, int delay, std::string *problem)
{
   const std::string unwritable = gif_out_of_range("a delay", delay, 0, GIF_MAX_WORD, " hundredths");
   if (!unwritable.empty())
      return fail(a, unwritable, problem);
   make_picture(a);
   a->added++;
   if (a->pending && a->next == a->shown && a->pendingDelay + delay <= GIF_MAX_WORD) {
      a->pendingDelay += delay;
      return true;
   }
   if (!a->pending)
      a->shown.swap(a->next);
   else if (!write_pending(a, problem))
      return false;
   a->pending = true;
   a->pendingDelay = delay;
   if (a->shownReducedMade != a->reducedMade) {
      a->shownReduced = a->reduced;
      a->shownReducedMade = a->reducedMade;
      a->shownReducedEntries.clear();
      for (size_t k = 0; k < a->shownReduced.size(); k++)
         a->shownReducedEntries[a->shownReduced[k]] = uint32_t(k);
   }
   return true;
}

bool usable(GifAnimation *a, int w, int h, std::string *problem)
{
   if (!a->failure.empty())
      return fail(a, a->failure, problem);
   if (w != a->w || h != a->h)
      return fail(a,
                  "a frame of " + std::to_string(w) + "x" + std::to_string(h) + " on a screen of " +
                     std::to_string(a->w) + "x" + std::to_string(a->h),
                  problem);
   return true;
}

}  // namespace

GifAnimation *open_gif_animation(const char *filename, const GifAnimationSettings &settings,
                                 std::string *problem)
{
   std::string why =
      gif_out_of_range("a screen", settings.width, settings.height, "x", 1, GIF_MAX_WORD);
   if (why.empty())
      why = gif_out_of_range("a loop count", settings.loop_count, -1, GIF_MAX_WORD);
   if (why.empty() && settings.palette)
      why = gif_out_of_range("a palette", settings.palette->count, 0, 256, " colours");
   if (why.empty() && long(settings.width) * settings.height > GIF_MAX_PIXELS)
      why = "a screen of over 2^28 pixels";
   if (!why.empty()) {
      if (problem)
         *problem = why;
      return nullptr;
   }

   GifAnimation *a = new GifAnimation;
   why = a->file.open(filename);
   if (!why.empty()) {
      delete a;
      if (problem)
         *problem = why;
      return nullptr;
   }
   a->w = settings.width;
   a->h = settings.height;
   a->loop = settings.loop_count;
   a->dither = settings.dither;
   if (settings.palette) {
      for (int k = 0; k < settings.palette->count; k++) {
         const uint32_t c = rgb_of(settings.palette->colors[k]);
         a->global.push_back(c);
         if (a->globalIndex.find(c) < 0)
            a->globalIndex.set(c, k);
      }
      a->fixedEntries = settings.palette->count;
   }
   const size_t n = size_t(a->w) * a->h;
   a->shown.assign(n, kNothing);
   a->under.assign(n, kNothing);
   a->next.assign(n, kNothing);
   a->input.assign(n, kNothing);
   return a;
}

int add_gif_rgba_frame(GifAnimation *a, const uint32_t *pixels, int delay, std::string *problem)
{
   if (!usable(a, a->w, a->h, problem))
      return -1;
   const size_t n = a->next.size();
   uint32_t opaque = 0xFF;
   for (size_t p = 0; p < n; p++) {
      const uint32_t alpha = pixels[p] >> 24;
      a->next[p] = alpha ? pixels[p] & 0xFFFFFF : kNothing;
      opaque &= alpha ? 0xFF : 0;
   }
   a->nextHoles = !opaque;
   return add_picture(a, delay, problem) ? 0 : -1;
}

int add_gif_indexed_frame(GifAnimation *a, BITMAP *indices, const ColorTable *table,
                          int transparent_index, int delay, std::string *problem)
{
   if (!usable(a, indices->w, indices->h, problem))
      return -1;
   if (bitmap_color_depth(indices) != 8) {
      fail(a, "indices in a bitmap that is not 8-bit", problem);
      return -1;
   }
   uint32_t colors[256];
   for (int k = 0; k < 256; k++)
      colors[k] = k == transparent_index ? kNothing
                  : k < table->count     ? rgb_of(table->colors[k])
                                         : 0;
   uint8_t seen[256] = {};
   for (int y = 0; y < a->h; y++) {
      const uint8_t *in = indices->line[y];
      uint32_t *out = &a->next[size_t(y) * a->w];
      for (int x = 0; x < a->w; x++) {
         out[x] = colors[in[x]];
         seen[in[x]] = 1;
      }
   }
   a->nextHoles = transparent_index >= 0 && transparent_index < 256 && seen[transparent_index];
   return add_picture(a, delay, problem) ? 0 : -1;
}

int add_gif_bitmap_frame(GifAnimation *a, BITMAP *frame, int transparent_color, int delay,
                         std::string *problem)
{
   if (!usable(a, frame->w, frame->h, problem))
      return -1;
   const int depth = bitmap_color_depth(frame);
   // Pixels of 8 to 16 bits through a table of the colour of each value:
   // the library's calls for each channel of each pixel would take longer
   // than the rest of the writing. The palette of 8-bit ones may change
   // between frames.
   std::vector<uint32_t> &colors = a->pixelColors;
   if (depth == 8 || (depth <= 16 && a->pixelColorsDepth != depth)) {
      colors.resize(size_t(1) << (depth == 8 ? 8 : 16));
      for (size_t c = 0; c < colors.size(); c++)
         colors[c] = uint32_t(getr_depth(depth, int(c))) << 16 |
                     uint32_t(getg_depth(depth, int(c))) << 8 | uint32_t(getb_depth(depth, int(c)));
      a->pixelColorsDepth = depth;
   }
   bool holes = false;
   for (int y = 0; y < a->h; y++) {
      uint32_t *out = &a->next[size_t(y) * a->w];
      const uint8_t *bytes = frame->line[y];
      const uint16_t *words = reinterpret_cast<const uint16_t *>(frame->line[y]);
      if (depth == 8) {
         for (int x = 0; x < a->w; x++)
            out[x] = colors[bytes[x]];
      } else if (depth <= 16) {
         for (int x = 0; x < a->w; x++)
            out[x] = colors[words[x]];
      } else {
         for (int x = 0; x < a->w; x++) {
            const int c = depth == 24 ? int(bmp_read24(uintptr_t(bytes + 3 * x)))
                                      : int(reinterpret_cast<const uint32_t *>(bytes)[x]);
            out[x] = uint32_t(getr_depth(depth, c)) << 16 | uint32_t(getg_depth(depth, c)) << 8 |
                     uint32_t(getb_depth(depth, c));
         }
      }
      if (transparent_color < 0)
         continue;
      for (int x = 0; x < a->w; x++) {
         const int c = depth == 8    ? bytes[x]
                       : depth <= 16 ? words[x]
                       : depth == 24 ? int(bmp_read24(uintptr_t(bytes + 3 * x)))
                                     : int(reinterpret_cast<const uint32_t *>(bytes)[x]);
         if (c == transparent_color) {
            out[x] = kNothing;
            holes = true;
         }
      }
   }
   a->nextHoles = holes;
   return add_picture(a, delay, problem) ? 0 : -1;
}

int close_gif_animation(GifAnimation *a, std::string *problem, GifAnimationReport *report)
{
   bool ok = a->failure.empty() || fail(a, a->failure, problem);
   if (ok && !a->pending)
      ok = fail(a, "no frame to write", problem);
   if (ok) {
      // The last frame's disposal does not matter: a loop starts again
      // from the first, which covers the screen.
      a->next = a->shown;
      ok = write_pending(a, problem);
   }
   if (ok && !a->headerWritten) {
      adopt_shared_table(a);
      order_table(a);
      std::vector<uint8_t> header;
      write_header(a, int(a->global.size()), &header);
      ok = write_bytes(a, header, problem) && write_bytes(a, a->held, problem);
   }
   if (ok)
      ok = write_bytes(a, {uint8_t(GIF_TRAILER)}, problem);
   if (ok && a->tableWritten < a->global.size()) {
      // The table again, with the entries that came after it was written.
      std::vector<uint8_t> table;
      put_gif_table(&table, gif_color_table(a->global), gif_table_exponent(kMaxColors));
      FILE *stream = a->file.stream();
      ok = (fseek(stream, kTableOffset, SEEK_SET) == 0 &&
            fwrite(table.data(), 1, table.size(), stream) == table.size()) ||
           fail(a, std::string("cannot write: ") + strerror(errno), problem);
   }
   if (ok) {
      const std::string why = a->file.finish();
      ok = why.empty() || fail(a, why, problem);
   }
   if (report)
      *report = {a->added, a->written, a->reducedFrames, ok ? a->bytes : 0};
   delete a;
   return ok ? 0 : -1;
}

void abandon_gif_animation(GifAnimation *a)
{
   delete a;
}
