// The GIF files the benchmark decodes, written with giflib's encoder from
// pixels made in-process with fixed seeds, so every run measures the same
// bytes.
#ifndef TOSSARO_BENCH_INPUTS_H
#define TOSSARO_BENCH_INPUTS_H

#include <string>
#include <vector>

struct BenchInput {
   std::string name;  // short label used in benchmark names and ratios
   std::string path;
   long bytes;  // file size, for the summary
   long pixels;  // pixels carried by all its images together
   int frames;
};

// Writes every input into `dir` (which must exist). Throws
// std::runtime_error when giflib refuses to write one.
std::vector<BenchInput> write_bench_inputs(const std::string &dir);

#endif
