#include "scratch.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

Scratch::Scratch()
{
   std::string pattern = (std::filesystem::temp_directory_path() / "tossaro-test-XXXXXX").string();
   if (!mkdtemp(&pattern[0]))
      throw std::runtime_error("cannot make a scratch folder");
   dir_ = pattern;
}

Scratch::~Scratch()
{
   std::error_code ignored;
   std::filesystem::remove_all(dir_, ignored);
}

std::string Scratch::path(const std::string &name) const
{
   return dir_ + "/" + name;
}

std::string Scratch::write(const std::string &name, const std::vector<unsigned char> &bytes) const
{
   const std::string full = path(name);
   std::ofstream out(full, std::ios::binary);
   out.write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
   if (!out)
      throw std::runtime_error("cannot write " + full);
   return full;
}

std::vector<unsigned char> read_file(const std::string &path)
{
   std::ifstream in(path, std::ios::binary);
   return std::vector<unsigned char>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

bool file_exists(const std::string &path)
{
   struct stat st;
   return stat(path.c_str(), &st) == 0;
}

int pcm16_peak(const std::vector<unsigned char> &bytes, size_t from, size_t to)
{
   int peak = 0;
   const size_t end = std::min(to, bytes.size());
   for (size_t i = from; i + 2 <= end; i += 2) {
      const int sample = int16_t(bytes[i] | bytes[i + 1] << 8);
      peak = std::max(peak, sample < 0 ? -sample : sample);
   }
   return peak;
}
