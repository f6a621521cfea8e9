// Arbitrary bytes through the GIF reader, then every frame composed in
// order, the way the game plays an animation. Beyond what the sanitizers
// see, it traps on broken promises of the codec's headers: the stream is
// closed by read_gif_sequence and left open by parse_gif_sequence, both
// parse the same bytes the same way, a reason is left exactly when a read
// fails, and nothing is drawn outside the destination's clip rectangle.
//
// Bytes after the GIF trailer steer the drawing (offset, clip, depth), so
// every seed is a plain GIF and the fuzzer finds the knobs by appending.

#include <allegro.h>
#include <sanitizer/allocator_interface.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "gif/gif.h"

namespace {

// The destination is the logical screen, capped so that a huge declared
// screen costs no more than a small one.
const int MAX_DEST_SIDE = 512;
// A guard band around the destination: drawing there is a bug that ASan
// cannot see when it happens inside Allegro, which is not instrumented.
const int GUARD = 4;
// The codec refuses images over 2^28 pixels but allocates up to that for
// each one: a 30-byte file can ask for 256 MB, plus 1 GB more for the
// saved area of a disposal-3 frame, and takes seconds to read. So the
// sanitizer's allocator fails (returns null for) any single allocation
// over 64 MB, as a small machine would (see __asan_default_options below;
// ASAN_OPTIONS overrides it), and once the memory held since the input
// began passes READ_BUDGET, the stream reads as ended, so that no pile of
// images outgrows -rss_limit_mb either.
const long READ_BUDGET = 128L << 20;
// Frames bigger than this are compared by their description only, so that
// a few huge frames do not dominate the time of a run.
const long HASHED_PIXELS = 1L << 20;

// Bytes allocated and not yet freed since the current input began.
std::atomic<bool> tracking(false);
std::atomic<long> held(0);

void on_malloc(const volatile void *, size_t size)
{
   if (tracking.load(std::memory_order_relaxed))
      held.fetch_add(long(size), std::memory_order_relaxed);
}

void on_free(const volatile void *p)
{
   if (tracking.load(std::memory_order_relaxed))
      held.fetch_sub(long(__sanitizer_get_allocated_size(const_cast<const void *>(p))),
                     std::memory_order_relaxed);
}

bool over_budget()
{
   return held.load(std::memory_order_relaxed) > READ_BUDGET;
}

// A read-only PACKFILE over the fuzzer's buffer.
struct Buffer {
   const uint8_t *data;
   size_t size;
   size_t pos;
   int closes;
};

int buffer_fclose(void *userdata)
{
   static_cast<Buffer *>(userdata)->closes++;
   return 0;
}

int buffer_getc(void *userdata)
{
   Buffer *b = static_cast<Buffer *>(userdata);
   if (over_budget())
      return EOF;
   return b->pos < b->size ? b->data[b->pos++] : EOF;
}

int buffer_ungetc(int c, void *userdata)
{
   Buffer *b = static_cast<Buffer *>(userdata);
   if (b->pos == 0 || b->data[b->pos - 1] != uint8_t(c))
      return EOF;
   b->pos--;
   return c;
}

long buffer_fread(void *p, long n, void *userdata)
{
   Buffer *b = static_cast<Buffer *>(userdata);
   if (n <= 0 || over_budget())
      return 0;
   const size_t left = b->size - b->pos;
   const size_t count = size_t(n) < left ? size_t(n) : left;
   if (count)
      memcpy(p, b->data + b->pos, count);
   b->pos += count;
   return long(count);
}

int buffer_putc(int, void *)
{
   return EOF;
}

long buffer_fwrite(const void *, long, void *)
{
   return 0;
}

int buffer_fseek(void *userdata, int offset)
{
   Buffer *b = static_cast<Buffer *>(userdata);
   if (offset < 0 || size_t(offset) > b->size - b->pos)
      return -1;
   b->pos += size_t(offset);
   return 0;
}

int buffer_feof(void *userdata)
{
   Buffer *b = static_cast<Buffer *>(userdata);
   return b->pos >= b->size;
}

int buffer_ferror(void *)
{
   return 0;
}

PACKFILE_VTABLE buffer_vtable = {
   buffer_fclose, buffer_getc, buffer_ungetc, buffer_fread, buffer_putc,
   buffer_fwrite, buffer_fseek, buffer_feof, buffer_ferror,
};

uint64_t hash_bytes(uint64_t h, const void *p, size_t n)
{
   const uint8_t *bytes = static_cast<const uint8_t *>(p);
   for (size_t k = 0; k < n; k++)
      h = (h ^ bytes[k]) * 0x100000001b3ULL;
   return h;
}

// What a parse produced, to compare the two entry points.
std::vector<uint64_t> describe(const GifSequence *s)
{
   std::vector<uint64_t> d;
   if (!s)
      return d;
   d.push_back(uint64_t(s->width) << 32 | uint32_t(s->height));
   d.push_back(uint64_t(s->frame_count) << 32 | uint32_t(s->background_index));
   d.push_back(uint32_t(s->loop_count));
   d.push_back(hash_bytes(s->palette.count, s->palette.colors, sizeof s->palette.colors));
   for (int i = 0; i < s->frame_count; i++) {
      const GifFrame &f = s->frames[i];
      d.push_back(uint64_t(f.x) << 32 | uint32_t(f.y));
      d.push_back(uint64_t(f.bitmap->w) << 32 | uint32_t(f.bitmap->h));
      d.push_back(uint64_t(f.delay) << 32 | uint32_t(f.disposal));
      d.push_back(uint64_t(uint32_t(f.transparent_index)) << 32 | uint32_t(f.interlaced));
      d.push_back(uint32_t(f.missing_pixels));
      d.push_back(hash_bytes(f.palette.count, f.palette.colors, sizeof f.palette.colors));
      uint64_t pixels = 0xcbf29ce484222325ULL;
      if (long(f.bitmap->w) * f.bitmap->h <= HASHED_PIXELS) {
         for (int row = 0; row < f.bitmap->h; row++)
            pixels = hash_bytes(pixels, f.bitmap->line[row], size_t(f.bitmap->w));
      }
      d.push_back(pixels);
   }
   return d;
}

void check_table(const ColorTable &t)
{
   CHECK(t.count == 0 || (t.count >= 2 && t.count <= 256 && (t.count & (t.count - 1)) == 0));
   for (int k = t.count; k < 256; k++)
      CHECK(t.colors[k].r == 0 && t.colors[k].g == 0 && t.colors[k].b == 0);
}

// The ranges the codec's headers promise.
void check_sequence(const GifSequence *s)
{
   CHECK(s->width >= 0 && s->width <= 65535 && s->height >= 0 && s->height <= 65535);
   CHECK(s->background_index >= 0 && s->background_index <= 255);
   CHECK(s->frame_count >= 0);
   CHECK(s->frame_count == 0 || s->frames);
   CHECK(!s->saved_area);
   check_table(s->palette);
   for (int i = 0; i < s->frame_count; i++) {
      const GifFrame &f = s->frames[i];
      CHECK(f.bitmap && bitmap_color_depth(f.bitmap) == 8);
      CHECK(f.x >= 0 && f.x <= 65535 && f.y >= 0 && f.y <= 65535);
      CHECK(f.disposal >= 0 && f.disposal <= 7);
      CHECK(f.transparent_index >= -1 && f.transparent_index <= 255);
      CHECK(f.interlaced == 0 || f.interlaced == 1);
      CHECK(f.missing_pixels >= 0 && long(f.missing_pixels) <= long(f.bitmap->w) * f.bitmap->h);
      check_table(f.palette);
   }
}

// Drawing settings taken from the bytes after the trailer; all zero (the
// plain case) when there are none.
struct Knobs {
   int depth = 32;
   int x = 0, y = 0;
   bool clip = false;
   bool twice = false;  // play the animation a second time, as a loop does
   int cl = 0, ct = 0, cr = 0, cb = 0;  // inclusive, as set_clip_rect takes them
};

Knobs read_knobs(const uint8_t *tail, size_t n)
{
   uint8_t k[7] = {0, 0, 0, 0, 0, 0, 0};
   memcpy(k, tail, n < sizeof k ? n : sizeof k);
   Knobs knobs;
   static const int depths[4] = {32, 32, 24, 16};
   knobs.depth = depths[(k[0] >> 2) & 3];
   // Mostly near the origin, negative half the time it moves at all.
   knobs.x = int8_t(k[1]);
   knobs.y = int8_t(k[2]);
   if (k[0] & 1) {
      knobs.x *= 4;
      knobs.y *= 4;
   }
   knobs.clip = (k[0] & 2) != 0;
   knobs.twice = (k[0] & 16) != 0;
   knobs.cl = k[3];
   knobs.ct = k[4];
   knobs.cr = k[3] + k[5];
   knobs.cb = k[4] + k[6];
   return knobs;
}

// What the parent is filled with, then checked for outside the clip
// rectangle; at 32 bits not even a colour the codec can make.
int sentinel_for(int depth)
{
   return depth == 32 ? int(0xA5C3E1F7u) : depth == 24 ? 0xC3E1F7 : 0x5A5A;
}

// Composes every frame onto a capped destination, a sub-bitmap of a larger
// one, and checks that only the clip rectangle changed.
void draw_all(GifSequence *s, const Knobs &knobs)
{
   const int w = s->width < 1 ? 1 : s->width > MAX_DEST_SIDE ? MAX_DEST_SIDE : s->width;
   const int h = s->height < 1 ? 1 : s->height > MAX_DEST_SIDE ? MAX_DEST_SIDE : s->height;
   BITMAP *parent = create_bitmap_ex(knobs.depth, w + 2 * GUARD, h + 2 * GUARD);
   CHECK(parent);
   BITMAP *dest = create_sub_bitmap(parent, GUARD, GUARD, w, h);
   CHECK(dest);
   const int sentinel = sentinel_for(knobs.depth);
   clear_to_color(parent, sentinel);
   if (knobs.clip)
      set_clip_rect(dest, knobs.cl, knobs.ct, knobs.cr, knobs.cb);
   const int cl = dest->cl + GUARD, ct = dest->ct + GUARD;
   const int cr = dest->cr + GUARD, cb = dest->cb + GUARD;

   for (int pass = 0; pass < (knobs.twice ? 2 : 1); pass++) {
      for (int i = 0; i < s->frame_count; i++)
         draw_gif_frame(s, dest, i, knobs.x, knobs.y);
   }

   for (int y = 0; y < parent->h; y++) {
      const bool rowInside = y >= ct && y < cb;
      for (int x = 0; x < parent->w; x++) {
         if (rowInside && x >= cl && x < cr) {
            x = cr - 1;  // skip the clip rectangle's span of this row
            continue;
         }
         CHECK(getpixel(parent, x, y) == sentinel);
      }
   }
   destroy_bitmap(dest);
   destroy_bitmap(parent);
}

}  // namespace

extern "C" const char *__asan_default_options()
{
   return "allocator_may_return_null=1:max_allocation_size_mb=64";
}

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      abort();
   if (!__sanitizer_install_malloc_and_free_hooks(on_malloc, on_free))
      abort();
   return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
   held = 0;
   tracking = true;
   // The reading most callers do: a stream handed over and closed.
   Buffer read = {data, size, 0, 0};
   PACKFILE *stream = pack_fopen_vtable(&buffer_vtable, &read);
   CHECK(stream);
   std::string reason;
   GifSequence *sequence = read_gif_sequence(stream, &reason);
   CHECK(read.closes == 1);
   CHECK((sequence != nullptr) == reason.empty());
   const std::vector<uint64_t> described = describe(sequence);
   if (sequence) {
      // Success means the parse stopped right after a trailer.
      CHECK(read.pos >= 1 && data[read.pos - 1] == 0x3B);
      check_sequence(sequence);
      const Knobs knobs = read_knobs(data + read.pos, size - read.pos);
      draw_all(sequence, knobs);
      free_gif_sequence(sequence);
   }

   // The reading of an embedded stream: left open for its owner, who may
   // read on; the same bytes must give the same sequence.
   held = 0;  // the same budget as the first parse, byte for byte
   Buffer parse = {data, size, 0, 0};
   stream = pack_fopen_vtable(&buffer_vtable, &parse);
   CHECK(stream);
   std::string parseReason;
   sequence = parse_gif_sequence(stream, &parseReason);
   CHECK(parse.closes == 0);
   CHECK(parseReason == reason);
   CHECK(describe(sequence) == described);
   CHECK(parse.pos == read.pos || !sequence);
   free_gif_sequence(sequence);
   // The owner reads on from the byte after the last one parsed.
   const int next = parse.pos < size ? data[parse.pos] : EOF;
   CHECK(pack_getc(stream) == next);
   pack_fclose(stream);
   CHECK(parse.closes == 1);
   tracking = false;
   return 0;
}
