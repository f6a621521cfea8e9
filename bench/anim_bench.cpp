// The animation writer against gifsicle -O3, in one run:
//
// size     each animation below is written plainly (every frame whole,
//          write_gif_sequence), then `gifcodec optimize` and `gifsicle -O3`
//          each write it again; the ratio is our bytes over gifsicle's (goal
//          at most 1.00 on each and in sum). Both outputs must compose to the
//          plain file's pictures, frame by frame (our reader; the tests hold
//          giflib and ImageMagick to the writer).
//            game-clip    frames of the game itself, played for a while
//            game-art     the game's balls and hands moving over its backdrop
//            terminal     a text terminal typed into and scrolled
//            corpus       the fuzzing corpus's animations, together
//            slideshow    photographs, each held for a few frames
// speed    `gifcodec animate` from the game clip's frames as 8-bit BMP files,
//          and from 60 frames of more than 256 colours (the game's sprites
//          over a painted backdrop) as PPM files, each against `gifsicle
//          -O3` on the plain file of the same frames: the best wall time of
//          three each, as a ratio (goal at most 0.5).
// memory   a child process writes --frames frames (15000 by default) of a
//          640x480 game-like picture through the writer; its peak resident
//          memory (goal under 64 MB), the whole process with Allegro.
//
// usage: anim_bench GIFCODEC [--frames N] [--clip N]
#include <allegro.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "app/main_loop.h"
#include "files/netpbm_file.h"
#include "game/game.h"
#include "gif/gif.h"
#include "gif/gif_palette.h"
#include "headless_game.h"
#include "screens/playfield.h"
#include "shell/assets.h"
#include "shell/screen_state.h"

namespace {

// A plain frame: indices into its own table (or the global one).
struct Frame {
   BitmapPtr indices;
   std::vector<uint32_t> colors;  // empty: the animation's global table
   int delay;
};

struct Animation {
   std::string name;
   int w = 0, h = 0;
   std::vector<uint32_t> global;
   std::vector<Frame> frames;
};

std::string folder;

bool write_plain(const Animation &a, const std::string &path)
{
   GifSequence s = {};
   s.width = a.w;
   s.height = a.h;
   s.loop_count = 0;
   s.palette = gif_color_table(a.global);
   std::vector<GifFrame> frames(a.frames.size());
   for (size_t i = 0; i < frames.size(); i++) {
      frames[i] = {};
      frames[i].bitmap = a.frames[i].indices.get();
      frames[i].palette = gif_color_table(a.frames[i].colors);
      frames[i].delay = a.frames[i].delay;
      frames[i].transparent_index = -1;
   }
   s.frames = frames.data();
   s.frame_count = int(frames.size());
   return write_gif_sequence(path.c_str(), &s) == 0;
}

// Truecolour pictures (0xRRGGBB) mapped to one table made by median cut
// from a sample of them, as a recorder of a game would.
void index_with_one_table(Animation *a, const std::vector<std::vector<uint32_t>> &pictures)
{
   GifColorMap counts;
   for (size_t i = 0; i < pictures.size(); i += std::max<size_t>(1, pictures.size() / 8))
      for (uint32_t c : pictures[i])
         counts[c]++;
   std::vector<GifColorCount> colors = counts.colors();
   a->global = median_cut(colors, 256);
   GifColorMap index;
   for (const std::vector<uint32_t> &p : pictures) {
      Frame f{BitmapPtr(create_bitmap_ex(8, a->w, a->h)), {}, 2};
      for (size_t k = 0; k < p.size(); k++) {
         uint32_t &entry = index[p[k]];
         if (entry == 0)
            entry = uint32_t(nearest_color(a->global, p[k])) + 1;
         f.indices->line[k / a->w][k % a->w] = uint8_t(entry - 1);
      }
      a->frames.push_back(std::move(f));
   }
}

std::vector<uint32_t> rgb_of(BITMAP *b)
{
   std::vector<uint32_t> out;
   const int depth = bitmap_color_depth(b);
   for (int y = 0; y < b->h; y++)
      for (int x = 0; x < b->w; x++) {
         const int c = getpixel(b, x, y);
         out.push_back(uint32_t(getr_depth(depth, c)) << 16 | uint32_t(getg_depth(depth, c)) << 8 |
                       uint32_t(getb_depth(depth, c)));
      }
   return out;
}

time_t fixedClock(time_t *)
{
   return 11;
}

// The game played from a new game, a frame every two ticks; its clock
// fixed, so that every run plays the same game.
Animation game_clip(int count)
{
   Animation a{"game-clip", 640, 480, {}, {}};
   std::vector<std::vector<uint32_t>> pictures;
   screenState = Playing;
   playedGame().clock = fixedClock;
   newGame();
   playedGame().clock = time;
   for (int i = 0; i < count; i++) {
      updateGame();
      updateGame();
      drawFrame();
      pictures.push_back(rgb_of(screen));
   }
   index_with_one_table(&a, pictures);
   return a;
}

// Balls and hands from graphics/ moving over `backdrop`, at 32 bits.
std::vector<std::vector<uint32_t>> art_pictures(BITMAP *backdrop, int count)
{
   const char *names[] = {"graphics/ball-red.gif", "graphics/ball-green.gif",
                          "graphics/ball-blue.gif", "graphics/hand.gif"};
   std::vector<BitmapPtr> sprites;
   for (const char *name : names)
      sprites.emplace_back(load_gif_bitmap(name, nullptr));
   BitmapPtr canvas(create_bitmap(640, 480));
   std::vector<std::vector<uint32_t>> pictures;
   for (int i = 0; i < count; i++) {
      blit(backdrop, canvas.get(), 0, 0, 0, 0, 640, 480);
      for (int k = 0; k < 3; k++) {
         const double t = i * 0.05 + k * 2.1;
         draw_sprite(canvas.get(), sprites[size_t(k)].get(), 300 + int(220 * std::sin(t)),
                     240 - int(200 * std::fabs(std::cos(t * 1.3))));
      }
      draw_sprite(canvas.get(), sprites[3].get(), 120 + i % 40, 420);
      draw_sprite_h_flip(canvas.get(), sprites[3].get(), 460 - i % 40, 420);
      pictures.push_back(rgb_of(canvas.get()));
   }
   return pictures;
}

Animation game_art()
{
   Animation a{"game-art", 640, 480, {}, {}};
   BitmapPtr backdrop(load_gif_bitmap("graphics/texture.gif", nullptr));
   index_with_one_table(&a, art_pictures(backdrop.get(), 120));
   return a;
}

// A smooth colour field with grain, as a photograph or a painting has:
// thousands of colours.
std::vector<uint32_t> painting(int w, int h, double p, std::mt19937 &rng)
{
   std::vector<uint32_t> photo;
   for (int y = 0; y < h; y++)
      for (int x = 0; x < w; x++) {
         auto channel = [&](double v) {
            return uint32_t(std::clamp(int(v + int(rng() % 25) - 12), 0, 255));
         };
         const double r = 128 + 90 * std::sin(x * 0.011 + p) * std::cos(y * 0.007);
         const double g = 120 + 80 * std::sin((x + y) * 0.006 + 2 * p);
         const double b = 110 + 70 * std::cos(y * 0.013 - p) + 30 * std::sin(x * 0.031);
         photo.push_back(channel(r) << 16 | channel(g) << 8 | channel(b));
      }
   return photo;
}

// A frame of its own 256 colours, by median cut.
Frame indexed_alone(const std::vector<uint32_t> &picture, int w, int h, int delay)
{
   GifColorMap counts;
   for (uint32_t c : picture)
      counts[c]++;
   std::vector<GifColorCount> colors = counts.colors();
   const std::vector<uint32_t> table = median_cut(colors, 256);
   for (const GifColorCount &c : colors)
      counts[c.rgb] = uint32_t(nearest_color(table, c.rgb));
   Frame f{BitmapPtr(create_bitmap_ex(8, w, h)), table, delay};
   for (size_t i = 0; i < picture.size(); i++)
      f.indices->line[i / w][i % w] = uint8_t(*counts.find(picture[i]));
   return f;
}

// A shell session: lines typed a few characters a frame, a blinking
// cursor, output scrolling up when the screen is full.
Animation terminal()
{
   Animation a{"terminal", 640, 400, {0x101010, 0xD0D0D0, 0x50E050, 0x5080F0}, {}};
   std::mt19937 rng(5);
   std::vector<std::string> lines(1, "");
   BitmapPtr screenBitmap(create_bitmap_ex(8, a.w, a.h));
   const char *words[] = {"make",   "build", "test",  "gif",     "frames",
                          "-j2",    "ctest", "cmake", "src/gif", "--output-on-failure",
                          "passed", "0.12",  "sec",   "ok"};
   for (int i = 0; i < 240; i++) {
      if (rng() % 3) {
         std::string &line = lines.back();
         if (line.size() > 60 || rng() % 9 == 0) {
            lines.push_back(rng() % 2 ? "$ " : "");
            if (lines.size() > 50)
               lines.erase(lines.begin());
         } else {
            line += std::string(words[rng() % 14]) + " ";
         }
      }
      clear_to_color(screenBitmap.get(), 0);
      for (size_t k = 0; k < lines.size(); k++)
         textout_ex(screenBitmap.get(), font, lines[k].c_str(), 4, 4 + 8 * int(k),
                    lines[k].rfind("$ ", 0) == 0 ? 2 : 1, -1);
      if (i / 4 % 2)
         rectfill(screenBitmap.get(), 4 + 8 * int(lines.back().size()),
                  4 + 8 * int(lines.size() - 1), 11 + 8 * int(lines.back().size()),
                  11 + 8 * int(lines.size() - 1), 3);
      Frame f{BitmapPtr(create_bitmap_ex(8, a.w, a.h)), {}, 8};
      blit(screenBitmap.get(), f.indices.get(), 0, 0, 0, 0, a.w, a.h);
      a.frames.push_back(std::move(f));
   }
   return a;
}

// Smooth colour fields with grain, each its own 256 colours, each shown
// for three frames.
Animation slideshow()
{
   Animation a{"slideshow", 480, 360, {}, {}};
   std::mt19937 rng(9);
   for (int s = 0; s < 6; s++) {
      const Frame f = indexed_alone(painting(a.w, a.h, s * 1.7, rng), a.w, a.h, 100);
      for (int k = 0; k < 3; k++) {
         Frame copy{BitmapPtr(create_bitmap_ex(8, a.w, a.h)), f.colors, f.delay};
         blit(f.indices.get(), copy.indices.get(), 0, 0, 0, 0, a.w, a.h);
         a.frames.push_back(std::move(copy));
      }
   }
   return a;
}

long file_size(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

double seconds_of(const std::string &command)
{
   const auto start = std::chrono::steady_clock::now();
   if (system(command.c_str()) != 0) {
      fprintf(stderr, "anim_bench: failed: %s\n", command.c_str());
      exit(1);
   }
   return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// What `path` shows: each frame composed (32-bit, the mask colour where
// nothing shows), as a hash of its pixels, and how long it shows; a frame
// that repeats the one before adds its time to that one's.
std::vector<std::pair<uint64_t, long>> composed(const std::string &path)
{
   std::vector<std::pair<uint64_t, long>> out;
   GifSequencePtr s(open_gif_sequence(path.c_str()));
   if (!s)
      return out;
   BitmapPtr canvas(create_bitmap_ex(32, s->width, s->height));
   for (int i = 0; i < s->frame_count; i++) {
      draw_gif_frame(s.get(), canvas.get(), i, 0, 0);
      uint64_t hash = 14695981039346656037u;
      for (int y = 0; y < s->height; y++) {
         const uint32_t *row = reinterpret_cast<const uint32_t *>(canvas->line[y]);
         for (int x = 0; x < s->width; x++)
            hash = (hash ^ row[x]) * 1099511628211u;
      }
      if (!out.empty() && out.back().first == hash)
         out.back().second += s->frames[i].delay;
      else
         out.push_back({hash, s->frames[i].delay});
   }
   return out;
}

struct Sizes {
   long plain = 0, ours = 0, gifsicle = 0;
};

// Writes `plain` again both ways and checks every frame of both.
bool compare(const std::string &name, const std::string &plain, const std::string &gifcodec,
             Sizes *sizes)
{
   const std::string ours = folder + "/" + name + "-ours.gif";
   const std::string theirs = folder + "/" + name + "-gifsicle.gif";
   seconds_of("'" + gifcodec + "' optimize '" + plain + "' '" + ours + "' > /dev/null");
   seconds_of("gifsicle -O3 '" + plain + "' -o '" + theirs + "'");
   const auto want = composed(plain);
   if (want.empty() || composed(ours) != want) {
      fprintf(stderr, "anim_bench: %s: our frames differ from the plain ones\n", name.c_str());
      return false;
   }
   // gifsicle's data sometimes ends with its end code one bit short (the
   // last bit, a zero, in a byte never written); our reader takes that
   // where every pixel is there.
   if (composed(theirs) != want)
      printf("note: %s: gifsicle's output shows other frames\n", name.c_str());
   sizes->plain += file_size(plain);
   sizes->ours += file_size(ours);
   sizes->gifsicle += file_size(theirs);
   return true;
}

void print_sizes(const std::string &name, const Sizes &s)
{
   printf("size %-10s plain %9ld  ours %9ld  gifsicle -O3 %9ld  ratio %.2f\n", name.c_str(),
          s.plain, s.ours, s.gifsicle, double(s.ours) / double(s.gifsicle));
}

// The writer alone on `count` game-like frames: a backdrop of bands with
// a few sprites moving over it.
void write_many(int count, const std::string &path)
{
   GifAnimationSettings settings;
   settings.width = 640;
   settings.height = 480;
   std::string problem;
   GifAnimationPtr animation(open_gif_animation(path.c_str(), settings, &problem));
   BitmapPtr picture(create_bitmap_ex(8, 640, 480));
   ColorTable table = {};
   table.count = 32;
   for (int k = 0; k < 32; k++)
      table.colors[k] = {uint8_t(k * 8), uint8_t(255 - k * 7), uint8_t(k * 37), 0};
   for (int i = 0; animation && i < count; i++) {
      for (int band = 0; band < 8; band++)
         rectfill(picture.get(), 0, band * 60, 639, band * 60 + 59, band);
      for (int k = 0; k < 5; k++) {
         const int x = (i * (3 + k) + 90 * k) % 600, y = 40 + (i * (2 + k) + 70 * k) % 400;
         circlefill(picture.get(), x, y, 14, 10 + k);
         textprintf_ex(picture.get(), font, x - 8, y - 4, 20 + k, -1, "%d", i % 100);
      }
      textprintf_ex(picture.get(), font, 8, 8, 31, 0, "frame %6d", i);
      if (add_gif_indexed_frame(animation.get(), picture.get(), &table, -1, 2, &problem) != 0)
         break;
   }
   if (!animation || !problem.empty() || close_gif_animation(animation.release(), &problem) != 0) {
      fprintf(stderr, "anim_bench: %s: %s\n", path.c_str(), problem.c_str());
      exit(1);
   }
}

// `gifcodec animate` of the frame files against `gifsicle -O3` of the
// plain file of the same frames: the best wall time of three each.
void print_speed(const std::string &gifcodec, const std::string &what, const std::string &files,
                 const std::string &plain)
{
   double ours = 1e9, theirs = 1e9;
   for (int run = 0; run < 3; run++) {
      ours = std::min(ours, seconds_of("'" + gifcodec + "' animate --delay 2 -o '" + folder +
                                       "/animated.gif'" + files));
      theirs = std::min(
         theirs, seconds_of("gifsicle -O3 '" + plain + "' -o '" + folder + "/speed-gifsicle.gif'"));
   }
   printf("speed animate %s %.3f s, gifsicle -O3 %.3f s, ratio %.2f\n", what.c_str(), ours, theirs,
          ours / theirs);
}

// `gifcodec animate` on 60 frames of more than 256 colours, sprites over
// a painted backdrop, from PPM files, against `gifsicle -O3` on the plain
// file of them (each frame with a table of its own).
void painted_speed(const std::string &gifcodec)
{
   std::mt19937 rng(13);
   const std::vector<uint32_t> paint = painting(640, 480, 0.8, rng);
   BitmapPtr backdrop(create_bitmap(640, 480));
   for (int y = 0; y < 480; y++)
      for (int x = 0; x < 640; x++) {
         const uint32_t c = paint[size_t(y) * 640 + x];
         putpixel(backdrop.get(), x, y, makecol(int(c >> 16), int(c >> 8 & 255), int(c & 255)));
      }
   Animation plain{"painted", 640, 480, {}, {}};
   std::string files;
   std::vector<unsigned char> row(640 * 3);
   for (const std::vector<uint32_t> &picture : art_pictures(backdrop.get(), 60)) {
      plain.frames.push_back(indexed_alone(picture, 640, 480, 2));
      char name[64];
      snprintf(name, sizeof name, "/painted-%04zu.ppm", plain.frames.size());
      NetpbmOutput out;
      if (!out.open((folder + name).c_str(), 640, 480).empty())
         exit(1);
      for (int y = 0; y < 480; y++) {
         for (int x = 0; x < 640; x++)
            for (int k = 0; k < 3; k++)
               row[size_t(x) * 3 + size_t(k)] =
                  uint8_t(picture[size_t(y) * 640 + size_t(x)] >> (16 - 8 * k));
         out.write_row(row.data());
      }
      if (!out.finish().empty())
         exit(1);
      files += " '" + folder + name + "'";
   }
   const std::string plainFile = folder + "/painted.gif";
   if (!write_plain(plain, plainFile))
      exit(1);
   print_speed(gifcodec,
               std::to_string(plain.frames.size()) + " painted frames of more than 256 colours",
               files, plainFile);
}

void remove_folder(const std::string &dir)
{
   if (DIR *d = opendir(dir.c_str())) {
      while (dirent *entry = readdir(d))
         if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            remove((dir + "/" + entry->d_name).c_str());
      closedir(d);
   }
   rmdir(dir.c_str());
}

}  // namespace

int main(int argc, char **argv)
{
   if (argc < 2) {
      fprintf(stderr, "usage: anim_bench GIFCODEC [--frames N] [--clip N]\n");
      return 2;
   }
   if (argc == 4 && strcmp(argv[1], "--write-many") == 0) {
      if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
         return 2;
      const auto start = std::chrono::steady_clock::now();
      write_many(atoi(argv[2]), argv[3]);
      const double took =
         std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      // The peak of this process alone, read where the kernel keeps it.
      long peak = -1;
      if (FILE *status = fopen("/proc/self/status", "r")) {
         char line[256];
         while (fgets(line, sizeof line, status))
            if (sscanf(line, "VmHWM: %ld kB", &peak) == 1)
               break;
         fclose(status);
      }
      printf("memory %s frames of 640x480: peak %.1f MB, %ld bytes written in %.1f s\n", argv[2],
             double(peak) / 1024.0, file_size(std::string(argv[3])), took);
      return 0;
   }
   const std::string gifcodec = argv[1];
   int many = 15000, clipFrames = 150;
   for (int k = 2; k + 1 < argc; k += 2) {
      if (strcmp(argv[k], "--frames") == 0)
         many = atoi(argv[k + 1]);
      else if (strcmp(argv[k], "--clip") == 0)
         clipFrames = atoi(argv[k + 1]);
   }
   const int unstarted = startHeadlessGame("anim_bench");
   if (unstarted)
      return unstarted;
   set_color_depth(32);
   char pattern[] = "/tmp/anim_bench.XXXXXX";
   if (!mkdtemp(pattern))
      return 1;
   folder = pattern;

   bool ok = true;
   Sizes total;
   std::vector<Animation> animations;
   set_color_depth(16);
   animations.push_back(game_clip(clipFrames));
   set_color_depth(32);
   animations.push_back(game_art());
   animations.push_back(terminal());
   animations.push_back(slideshow());
   std::string clipPlain;
   for (const Animation &a : animations) {
      const std::string plain = folder + "/" + a.name + ".gif";
      if (a.name == "game-clip")
         clipPlain = plain;
      Sizes s;
      ok = write_plain(a, plain) && compare(a.name, plain, gifcodec, &s) && ok;
      print_sizes(a.name, s);
      total.plain += s.plain;
      total.ours += s.ours;
      total.gifsicle += s.gifsicle;
   }
   Sizes corpus;
   if (DIR *d = opendir("fuzz/corpus")) {
      while (dirent *entry = readdir(d)) {
         const std::string name = entry->d_name;
         if (name.rfind("animated-", 0) == 0)
            ok = compare(name, "fuzz/corpus/" + name, gifcodec, &corpus) && ok;
      }
      closedir(d);
   }
   print_sizes("corpus", corpus);
   total.plain += corpus.plain;
   total.ours += corpus.ours;
   total.gifsicle += corpus.gifsicle;
   print_sizes("all", total);

   // Speed: the game clip's frames as 8-bit BMP files.
   const Animation &clip = animations.front();
   PALETTE palette;
   for (int k = 0; k < 256; k++) {
      const uint32_t c = k < int(clip.global.size()) ? clip.global[size_t(k)] : 0;
      palette[k] = {uint8_t(c >> 18 & 63), uint8_t(c >> 10 & 63), uint8_t(c >> 2 & 63), 0};
   }
   std::string files;
   for (size_t i = 0; i < clip.frames.size(); i++) {
      char name[64];
      snprintf(name, sizeof name, "/clip-%04zu.bmp", i);
      save_bmp((folder + name).c_str(), clip.frames[i].indices.get(), palette);
      files += " '" + folder + name + "'";
   }
   print_speed(gifcodec, std::to_string(clip.frames.size()) + " frames", files, clipPlain);
   painted_speed(gifcodec);

   // Memory: a new process of this program writes the long animation and
   // says its peak.
   fflush(stdout);
   char self[4096] = {};
   if (readlink("/proc/self/exe", self, sizeof self - 1) < 0)
      return 1;
   ok = system(("'" + std::string(self) + "' --write-many " + std::to_string(many) + " '" + folder +
                "/long.gif'")
                  .c_str()) == 0 &&
        ok;

   freeAssets();
   if (!getenv("ANIM_BENCH_KEEP"))
      remove_folder(folder);
   else
      printf("kept %s\n", folder.c_str());
   return ok ? 0 : 1;
}
