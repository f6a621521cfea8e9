// Decoding and encoding speed of our GIF codec against giflib on the same
// files and pictures.
//
// ours/NAME         load_gif_bitmap: parse, LZW decode and compose every
//                   frame onto a 32 bpp bitmap, then destroy it.
// ours-decode/NAME  open_gif_sequence alone: parse and LZW decode, no
//                   composition, so the compose share can be read off.
// giflib/NAME       DGifOpenFileName + DGifSlurp + DGifCloseFile (decode
//                   alone: giflib does not compose).
// giflib-composed/NAME  the same, then composed here onto a 32 bpp bitmap
//                   as load_gif_bitmap does: the like-for-like peer.
//
// ours-encode/NAME  save_gif_bitmap of the input's first image, an 8-bit
//                   bitmap of indices, with a 256-colour palette.
// ours-write/NAME   write_gif_sequence of the same bitmap and colours: the
//                   same file without save_gif_bitmap's copy of the bitmap.
// giflib-encode/NAME  EGifOpenFileName, screen and image descriptors with
//                   the same 256 colours as a local table, EGifPutLine per
//                   row, EGifCloseFile.
// Both write into the same temporary folder as the inputs. Before timing,
// both written files must decode with giflib to exactly the picture's
// indices and colours.
//
// After the runs it prints, per file, giflib's time over ours (above 1:
// we are faster): "ratio" ours against giflib, "decode-only ratio"
// ours-decode against giflib, "composed ratio" ours against
// giflib-composed, "ratio encode" ours-encode against giflib-encode and
// "write-only ratio encode" ours-write against giflib-encode. Times are CPU time per iteration, the median when
// --benchmark_repetitions is given; CPU time is steadier than wall time on
// a machine shared with other jobs.
//
// The "faults" column counts minor page faults per iteration.
//
// --gif_dir=DIR writes the inputs into DIR and keeps them (for profiling);
// otherwise they go to a temporary folder removed at exit.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <allegro.h>

#include "bench_inputs.h"
#include "gif/gif.h"

namespace {

bool g_failed = false;

long minor_faults()
{
   rusage usage;
   getrusage(RUSAGE_SELF, &usage);
   return usage.ru_minflt;
}

// Throughput, and the page faults per iteration: a fresh 32 bpp result is
// paged in by the kernel on first touch, a cost no instruction profile
// shows.
void finish(benchmark::State &state, const BenchInput &input, long faultsBefore)
{
   state.SetItemsProcessed(state.iterations() * input.pixels);
   state.SetBytesProcessed(state.iterations() * input.bytes);
   state.counters["faults"] =
      benchmark::Counter(double(minor_faults() - faultsBefore), benchmark::Counter::kAvgIterations);
}

void bench_ours(benchmark::State &state, const BenchInput &input)
{
   const long faults = minor_faults();
   PALETTE palette;
   std::string problem;
   for (auto _ : state) {
      BITMAP *bitmap = load_gif_bitmap(input.path.c_str(), palette, &problem);
      if (!bitmap) {
         g_failed = true;
         state.SkipWithError(("load_gif_bitmap: " + problem).c_str());
         break;
      }
      benchmark::DoNotOptimize(bitmap->line[0]);
      destroy_bitmap(bitmap);
   }
   finish(state, input, faults);
}

void bench_ours_decode(benchmark::State &state, const BenchInput &input)
{
   const long faults = minor_faults();
   std::string problem;
   for (auto _ : state) {
      GifSequence *sequence = open_gif_sequence(input.path.c_str(), &problem);
      if (!sequence) {
         g_failed = true;
         state.SkipWithError(("open_gif_sequence: " + problem).c_str());
         break;
      }
      benchmark::DoNotOptimize(sequence->frames);
      free_gif_sequence(sequence);
   }
   finish(state, input, faults);
}

void bench_giflib(benchmark::State &state, const BenchInput &input)
{
   const long faults = minor_faults();
   for (auto _ : state) {
      int error = 0;
      GifFileType *gif = DGifOpenFileName(input.path.c_str(), &error);
      if (!gif || DGifSlurp(gif) != GIF_OK) {
         if (gif)
            DGifCloseFile(gif, &error);
         g_failed = true;
         state.SkipWithError("giflib failed");
         break;
      }
      benchmark::DoNotOptimize(gif->SavedImages);
      DGifCloseFile(gif, &error);
   }
   finish(state, input, faults);
}

// giflib's decode composed onto a fresh 32 bpp bitmap the way
// load_gif_bitmap defines it (uncovered, transparent and disposed-to-
// background pixels in the mask colour). It checks that no benchmark
// times a decoder that gets the file wrong, and it is the like-for-like
// peer of load_gif_bitmap, whose result costs the same allocation and
// colour lookups. Disposal 3 is not generated, so not handled.
BITMAP *giflib_composed(const char *path)
{
   int error = 0;
   GifFileType *gif = DGifOpenFileName(path, &error);
   if (!gif || DGifSlurp(gif) != GIF_OK) {
      if (gif)
         DGifCloseFile(gif, &error);
      return nullptr;
   }
   const int w = gif->SWidth, h = gif->SHeight;
   BITMAP *out = create_bitmap_ex(32, w, h);
   if (!out) {
      DGifCloseFile(gif, &error);
      return nullptr;
   }
   const uint32_t mask = uint32_t(MASK_COLOR_32);
   auto fill = [&](int left, int top, int right, int bottom) {
      for (int y = std::max(0, top); y < std::min(h, bottom); y++)
         std::fill_n(reinterpret_cast<uint32_t *>(out->line[y]) + std::max(0, left),
                     std::max(0, std::min(w, right) - std::max(0, left)), mask);
   };
   fill(0, 0, w, h);
   int previousDisposal = 0;
   for (int i = 0; i < gif->ImageCount; i++) {
      const SavedImage &image = gif->SavedImages[i];
      const GifImageDesc &d = image.ImageDesc;
      if (i > 0 && previousDisposal == DISPOSE_BACKGROUND) {
         const GifImageDesc &p = gif->SavedImages[i - 1].ImageDesc;
         fill(p.Left, p.Top, p.Left + p.Width, p.Top + p.Height);
      }
      GraphicsControlBlock gcb = {0, false, 0, NO_TRANSPARENT_COLOR};
      DGifSavedExtensionToGCB(gif, i, &gcb);
      const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
      uint32_t colors[256] = {};
      for (int k = 0; map && k < map->ColorCount && k < 256; k++)
         colors[k] = uint32_t(makecol32(map->Colors[k].Red, map->Colors[k].Green, map->Colors[k].Blue));
      const int rows = std::min(d.Height, h - d.Top), cols = std::min(d.Width, w - d.Left);
      for (int y = 0; y < rows; y++) {
         const GifByteType *in = image.RasterBits + size_t(y) * d.Width;
         uint32_t *row = reinterpret_cast<uint32_t *>(out->line[d.Top + y]) + d.Left;
         for (int x = 0; x < cols; x++) {
            if (in[x] != gcb.TransparentColor)
               row[x] = colors[in[x]];
         }
      }
      previousDisposal = gcb.DisposalMode;
   }
   DGifCloseFile(gif, &error);
   return out;
}

void bench_giflib_composed(benchmark::State &state, const BenchInput &input)
{
   const long faults = minor_faults();
   for (auto _ : state) {
      BITMAP *bitmap = giflib_composed(input.path.c_str());
      if (!bitmap) {
         g_failed = true;
         state.SkipWithError("giflib failed");
         break;
      }
      benchmark::DoNotOptimize(bitmap->line[0]);
      destroy_bitmap(bitmap);
   }
   finish(state, input, faults);
}

bool check_input(const BenchInput &input)
{
   const BitmapPtr expected(giflib_composed(input.path.c_str()));
   if (!expected) {
      fprintf(stderr, "%s: giflib cannot read it\n", input.name.c_str());
      return false;
   }
   const int w = expected->w, h = expected->h;
   std::string problem;
   const BitmapPtr bitmap(load_gif_bitmap(input.path.c_str(), nullptr, &problem));
   if (!bitmap) {
      fprintf(stderr, "%s: load_gif_bitmap: %s\n", input.name.c_str(), problem.c_str());
      return false;
   }
   if (bitmap->w != w || bitmap->h != h || bitmap_color_depth(bitmap.get()) != 32) {
      fprintf(stderr, "%s: load_gif_bitmap gave no %dx%d 32 bpp bitmap\n", input.name.c_str(), w, h);
      return false;
   }
   long wrong = 0;
   for (int y = 0; y < h; y++) {
      const uint32_t *row = reinterpret_cast<const uint32_t *>(bitmap->line[y]);
      const uint32_t *want = reinterpret_cast<const uint32_t *>(expected->line[y]);
      for (int x = 0; x < w; x++)
         wrong += row[x] != want[x];
   }
   if (wrong)
      fprintf(stderr, "%s: %ld pixels differ from giflib's decode\n", input.name.c_str(), wrong);
   return wrong == 0;
}

// One picture both encoders write: the same 8-bit bitmap and colours.
struct EncodeCase {
   EncodeCase() = default;
   EncodeCase(const EncodeCase &) = delete;  // `sequence` points into it
   EncodeCase &operator=(const EncodeCase &) = delete;

   std::string name;
   BITMAP *bitmap = nullptr;  // the indices, 8 bpp
   PALETTE palette;  // 6-bit components, as save_gif_bitmap takes them
   GifColorType colors[256];  // the 8-bit colours written from `palette`
   GifSequence sequence;  // `bitmap` and `colors` as write_gif_sequence takes them
   GifFrame frame;
   std::string ours, ourWrite, theirs;  // output files
   long pixels = 0;
};

void make_encode_case(EncodeCase &c, const std::string &name, const BenchPicture &picture,
                      const std::string &dir)
{
   c.name = name;
   c.pixels = long(picture.w) * picture.h;
   c.bitmap = create_bitmap_ex(8, picture.w, picture.h);
   for (int y = 0; c.bitmap && y < picture.h; y++)
      memcpy(c.bitmap->line[y], &picture.indices[size_t(y) * picture.w], size_t(picture.w));
   // Smaller tables are padded with black to the 256 entries written.
   for (int k = 0; k < 256; k++) {
      const GifColorType color = k < int(picture.colors.size()) ? picture.colors[k] : GifColorType{0, 0, 0};
      c.palette[k] = {uint8_t(color.Red >> 2), uint8_t(color.Green >> 2), uint8_t(color.Blue >> 2), 0};
      c.colors[k] = {GifByteType(_rgb_scale_6[c.palette[k].r]), GifByteType(_rgb_scale_6[c.palette[k].g]),
                     GifByteType(_rgb_scale_6[c.palette[k].b])};
   }

   // What save_gif_bitmap builds, less its copy of the bitmap.
   memset(&c.frame, 0, sizeof c.frame);
   c.frame.bitmap = c.bitmap;
   c.frame.transparent_index = -1;
   c.frame.palette.count = 256;
   for (int k = 0; k < 256; k++)
      c.frame.palette.colors[k] = {c.colors[k].Red, c.colors[k].Green, c.colors[k].Blue, 0};
   memset(&c.sequence, 0, sizeof c.sequence);
   c.sequence.width = picture.w;
   c.sequence.height = picture.h;
   c.sequence.frame_count = 1;
   c.sequence.loop_count = -1;
   c.sequence.frames = &c.frame;

   c.ours = dir + "/encoded-ours-" + name + ".gif";
   c.ourWrite = dir + "/encoded-ours-write-" + name + ".gif";
   c.theirs = dir + "/encoded-giflib-" + name + ".gif";
}

bool giflib_encode(const EncodeCase &c)
{
   int error = 0;
   GifFileType *gif = EGifOpenFileName(c.theirs.c_str(), false, &error);
   if (!gif)
      return false;
   EGifSetGifVersion(gif, true);
   // A local table with no global one, as save_gif_bitmap writes.
   ColorMapObject *map = GifMakeMapObject(256, c.colors);
   const int w = c.bitmap->w, h = c.bitmap->h;
   bool ok = map && EGifPutScreenDesc(gif, w, h, 8, 0, nullptr) == GIF_OK &&
             EGifPutImageDesc(gif, 0, 0, w, h, false, map) == GIF_OK;
   for (int y = 0; ok && y < h; y++)
      ok = EGifPutLine(gif, c.bitmap->line[y], w) == GIF_OK;
   GifFreeMapObject(map);
   return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

void finish_encode(benchmark::State &state, const EncodeCase &c, long faultsBefore)
{
   state.SetItemsProcessed(state.iterations() * c.pixels);
   state.SetBytesProcessed(state.iterations() * c.pixels);  // one index byte per pixel
   state.counters["faults"] =
      benchmark::Counter(double(minor_faults() - faultsBefore), benchmark::Counter::kAvgIterations);
}

void bench_ours_encode(benchmark::State &state, const EncodeCase *c)
{
   const long faults = minor_faults();
   for (auto _ : state) {
      if (save_gif_bitmap(c->ours.c_str(), c->bitmap, c->palette) != 0) {
         g_failed = true;
         state.SkipWithError("save_gif_bitmap failed");
         break;
      }
   }
   finish_encode(state, *c, faults);
}

void bench_ours_write(benchmark::State &state, const EncodeCase *c)
{
   const long faults = minor_faults();
   for (auto _ : state) {
      if (write_gif_sequence(c->ourWrite.c_str(), &c->sequence) != 0) {
         g_failed = true;
         state.SkipWithError("write_gif_sequence failed");
         break;
      }
   }
   finish_encode(state, *c, faults);
}

void bench_giflib_encode(benchmark::State &state, const EncodeCase *c)
{
   const long faults = minor_faults();
   for (auto _ : state) {
      if (!giflib_encode(*c)) {
         g_failed = true;
         state.SkipWithError("giflib failed");
         break;
      }
   }
   finish_encode(state, *c, faults);
}

long file_size(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0 ? long(st.st_size) : -1;
}

// Whether giflib reads `path` as one w x h image holding exactly the
// case's indices and 256 colours; says what differs when not.
bool decodes_to(const std::string &path, const EncodeCase &c)
{
   const char *name = c.name.c_str();
   int error = 0;
   GifFileType *gif = DGifOpenFileName(path.c_str(), &error);
   if (!gif || DGifSlurp(gif) != GIF_OK) {
      fprintf(stderr, "encode %s: giflib cannot read %s: %s\n", name, path.c_str(),
              GifErrorString(gif ? gif->Error : error));
      if (gif)
         DGifCloseFile(gif, &error);
      return false;
   }
   const int w = c.bitmap->w, h = c.bitmap->h;
   bool ok = false;
   if (gif->ImageCount != 1 || gif->SWidth != w || gif->SHeight != h) {
      fprintf(stderr, "encode %s: %s holds %d image(s) on %dx%d\n", name, path.c_str(),
              gif->ImageCount, gif->SWidth, gif->SHeight);
   } else {
      const SavedImage &image = gif->SavedImages[0];
      const GifImageDesc &d = image.ImageDesc;
      const ColorMapObject *map = d.ColorMap ? d.ColorMap : gif->SColorMap;
      long wrongColors = 0, wrongPixels = 0;
      if (!map || map->ColorCount != 256) {
         wrongColors = 256;
      } else {
         for (int k = 0; k < 256; k++)
            wrongColors += map->Colors[k].Red != c.colors[k].Red ||
                           map->Colors[k].Green != c.colors[k].Green ||
                           map->Colors[k].Blue != c.colors[k].Blue;
      }
      if (d.Left != 0 || d.Top != 0 || d.Width != w || d.Height != h || d.Interlace) {
         fprintf(stderr, "encode %s: %s: image at %d,%d size %dx%d%s\n", name, path.c_str(), d.Left,
                 d.Top, d.Width, d.Height, d.Interlace ? " interlaced" : "");
         wrongPixels = long(w) * h;
      } else {
         for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++)
               wrongPixels += image.RasterBits[size_t(y) * w + x] != c.bitmap->line[y][x];
      }
      if (wrongColors || wrongPixels)
         fprintf(stderr, "encode %s: %s: %ld colour(s) and %ld pixel(s) differ\n", name,
                 path.c_str(), wrongColors, wrongPixels);
      ok = wrongColors == 0 && wrongPixels == 0;
   }
   DGifCloseFile(gif, &error);
   return ok;
}

// Writes the case with each encoder once and checks what giflib reads back.
bool check_encode(const EncodeCase &c)
{
   if (!c.bitmap) {
      fprintf(stderr, "encode %s: no bitmap\n", c.name.c_str());
      return false;
   }
   if (save_gif_bitmap(c.ours.c_str(), c.bitmap, c.palette) != 0 ||
       write_gif_sequence(c.ourWrite.c_str(), &c.sequence) != 0) {
      fprintf(stderr, "encode %s: our writer failed\n", c.name.c_str());
      return false;
   }
   if (!giflib_encode(c)) {
      fprintf(stderr, "encode %s: giflib's writer failed\n", c.name.c_str());
      return false;
   }
   fprintf(stderr, "encode %s: %dx%d, ours %ld bytes, giflib %ld bytes\n", c.name.c_str(),
           c.bitmap->w, c.bitmap->h, file_size(c.ours), file_size(c.theirs));
   const bool ours = decodes_to(c.ours, c), write = decodes_to(c.ourWrite, c);
   return decodes_to(c.theirs, c) && ours && write;
}

// Keeps each benchmark's per-iteration CPU time while the console shows
// the usual table.
class CollectingReporter : public benchmark::ConsoleReporter {
public:
   explicit CollectingReporter(OutputOptions options) : ConsoleReporter(options) {}

   void ReportRuns(const std::vector<Run> &runs) override
   {
      for (const Run &run : runs) {
         const double ms = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
         const std::string &name = run.run_name.function_name;
         if (run.run_type == Run::RT_Iteration)
            iterations_[name].push_back(ms);
         else if (run.aggregate_name == "median")
            medians_[name] = ms;
      }
      ConsoleReporter::ReportRuns(runs);
   }

   // Milliseconds per iteration, or a negative number when it never ran.
   double time_ms(const std::string &name) const
   {
      const auto median = medians_.find(name);
      if (median != medians_.end())
         return median->second;
      const auto runs = iterations_.find(name);
      if (runs == iterations_.end() || runs->second.empty())
         return -1;
      double sum = 0;
      for (double ms : runs->second)
         sum += ms;
      return sum / runs->second.size();
   }

private:
   std::map<std::string, std::vector<double>> iterations_;
   std::map<std::string, double> medians_;
};

void print_ratio(const char *label, const std::string &name, double ours, const char *peerName,
                 double peer)
{
   if (ours <= 0 || peer <= 0)
      return;  // filtered out
   printf("%s %s: %.2f (ours %.2f ms, %s %.2f ms)\n", label, name.c_str(), peer / ours, ours,
          peerName, peer);
}

// Empties and removes the temporary folder this program made.
void remove_temp_dir(const std::string &dir)
{
   if (DIR *d = opendir(dir.c_str())) {
      while (dirent *entry = readdir(d)) {
         if (strcmp(entry->d_name, ".") != 0 && strcmp(entry->d_name, "..") != 0)
            remove((dir + "/" + entry->d_name).c_str());
      }
      closedir(d);
   }
   rmdir(dir.c_str());
}

std::string take_flag(int *argc, char **argv, const char *prefix)
{
   std::string value;
   const size_t n = strlen(prefix);
   int kept = 1;
   for (int k = 1; k < *argc; k++) {
      if (strncmp(argv[k], prefix, n) == 0)
         value = argv[k] + n;
      else
         argv[kept++] = argv[k];
   }
   *argc = kept;
   argv[kept] = nullptr;
   return value;
}

}  // namespace

int main(int argc, char **argv)
{
   std::string dir = take_flag(&argc, argv, "--gif_dir=");
   benchmark::Initialize(&argc, argv);
   if (benchmark::ReportUnrecognizedArguments(argc, argv))
      return 1;
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
      fprintf(stderr, "install_allegro failed\n");
      return 1;
   }
   set_color_depth(32);

   const bool keep = !dir.empty();
   if (!keep) {
      const char *tmp = getenv("TMPDIR");
      std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/gif_bench.XXXXXX";
      if (!mkdtemp(&pattern[0])) {
         perror("mkdtemp");
         return 1;
      }
      dir = pattern;
   }

   std::vector<BenchInput> inputs;
   try {
      inputs = write_bench_inputs(dir);
   } catch (const std::exception &e) {
      fprintf(stderr, "cannot write the inputs: %s\n", e.what());
      if (!keep)
         remove_temp_dir(dir);
      return 1;
   }

   bool ok = true;
   for (const BenchInput &input : inputs) {
      fprintf(stderr, "%s: %ld bytes, %d image(s), %ld pixels, %s\n", input.name.c_str(),
              input.bytes, input.frames, input.pixels, input.path.c_str());
      ok = check_input(input) && ok;
   }

   // The photo and the drawing whole, and the animation's first frame.
   std::vector<EncodeCase> encodes(inputs.size());
   for (size_t i = 0; i < inputs.size(); i++) {
      const BenchInput &input = inputs[i];
      const std::string name = input.frames > 1
                                  ? "anim-first-" + std::to_string(input.first.w) + "x" +
                                       std::to_string(input.first.h)
                                  : input.name;
      make_encode_case(encodes[i], name, input.first, dir);
      ok = check_encode(encodes[i]) && ok;
   }

   if (ok) {
      for (const BenchInput &input : inputs) {
         benchmark::RegisterBenchmark(("ours/" + input.name).c_str(), bench_ours, input)
            ->Unit(benchmark::kMillisecond);
         benchmark::RegisterBenchmark(("ours-decode/" + input.name).c_str(), bench_ours_decode, input)
            ->Unit(benchmark::kMillisecond);
         benchmark::RegisterBenchmark(("giflib/" + input.name).c_str(), bench_giflib, input)
            ->Unit(benchmark::kMillisecond);
         benchmark::RegisterBenchmark(("giflib-composed/" + input.name).c_str(), bench_giflib_composed,
                                      input)
            ->Unit(benchmark::kMillisecond);
      }
      for (const EncodeCase &c : encodes) {
         benchmark::RegisterBenchmark(("ours-encode/" + c.name).c_str(), bench_ours_encode, &c)
            ->Unit(benchmark::kMillisecond);
         benchmark::RegisterBenchmark(("ours-write/" + c.name).c_str(), bench_ours_write, &c)
            ->Unit(benchmark::kMillisecond);
         benchmark::RegisterBenchmark(("giflib-encode/" + c.name).c_str(), bench_giflib_encode, &c)
            ->Unit(benchmark::kMillisecond);
      }
      CollectingReporter reporter(isatty(fileno(stdout)) ? benchmark::ConsoleReporter::OO_Defaults
                                                         : benchmark::ConsoleReporter::OO_Tabular);
      benchmark::RunSpecifiedBenchmarks(&reporter);
      fflush(stdout);
      printf("\ngiflib time / our time (above 1: ours is faster)\n");
      for (const BenchInput &input : inputs) {
         const double giflib = reporter.time_ms("giflib/" + input.name);
         print_ratio("ratio", input.name, reporter.time_ms("ours/" + input.name), "giflib", giflib);
         print_ratio("decode-only ratio", input.name, reporter.time_ms("ours-decode/" + input.name),
                     "giflib", giflib);
         print_ratio("composed ratio", input.name, reporter.time_ms("ours/" + input.name),
                     "giflib+compose", reporter.time_ms("giflib-composed/" + input.name));
      }
      for (const EncodeCase &c : encodes) {
         const double giflib = reporter.time_ms("giflib-encode/" + c.name);
         print_ratio("ratio encode", c.name, reporter.time_ms("ours-encode/" + c.name), "giflib", giflib);
         print_ratio("write-only ratio encode", c.name, reporter.time_ms("ours-write/" + c.name),
                     "giflib", giflib);
      }
      benchmark::Shutdown();
   }

   for (EncodeCase &c : encodes)
      if (c.bitmap)
         destroy_bitmap(c.bitmap);
   if (!keep)
      remove_temp_dir(dir);
   return ok && !g_failed ? 0 : 1;
}
