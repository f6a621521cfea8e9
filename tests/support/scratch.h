// Files of a test, in a folder of their own that is removed afterwards.
#ifndef TOSSARO_TESTS_SCRATCH_H
#define TOSSARO_TESTS_SCRATCH_H

#include <string>
#include <vector>

class Scratch {
public:
   Scratch();
   ~Scratch();
   Scratch(const Scratch &) = delete;
   Scratch &operator=(const Scratch &) = delete;

   // The full path of `name` inside the folder.
   std::string path(const std::string &name) const;
   // Writes `bytes` to `name` and returns its full path.
   std::string write(const std::string &name, const std::vector<unsigned char> &bytes) const;

private:
   std::string dir_;
};

std::vector<unsigned char> read_file(const std::string &path);
bool file_exists(const std::string &path);

// The loudest of the 16-bit little-endian samples in bytes[from, to), such
// as a WAV file's or a raw recording's.
int pcm16_peak(const std::vector<unsigned char> &bytes, size_t from, size_t to);

#endif
