// The GIF files the benchmark decodes, written with giflib's encoder from
// pixels made in-process with fixed seeds, so every run measures the same
// bytes. Each keeps its first image's indices and table, which the encoder
// benchmark writes back.
#ifndef TOSSARO_BENCH_INPUTS_H
#define TOSSARO_BENCH_INPUTS_H

#include <cstdint>
#include <string>
#include <vector>

#include <gif_lib.h>

// One image's colour indices, row after row, and the colours they stand for.
struct BenchPicture {
   int w = 0, h = 0;
   std::vector<uint8_t> indices;
   std::vector<GifColorType> colors;
};

struct BenchInput {
   std::string name;  // short label used in benchmark names and ratios
   std::string path;
   long bytes;  // file size, for the summary
   long pixels;  // pixels carried by all its images together
   int frames;
   BenchPicture first;  // the first image, a full-screen one in every input
};

// Writes every input into `dir` (which must exist). Throws
// std::runtime_error when giflib refuses to write one.
std::vector<BenchInput> write_bench_inputs(const std::string &dir);

#endif
