#include "wav_file.h"

namespace {

void put32(std::vector<unsigned char> &out, uint32_t v)
{
   for (int i = 0; i < 4; i++)
      out.push_back(uint8_t(v >> (8 * i)));
}

void put16(std::vector<unsigned char> &out, uint16_t v)
{
   out.push_back(uint8_t(v));
   out.push_back(uint8_t(v >> 8));
}

void put_tag(std::vector<unsigned char> &out, const char *tag)
{
   out.insert(out.end(), tag, tag + 4);
}

}  // namespace

std::vector<unsigned char> wav_bytes(const std::vector<int16_t> &samples, int sampleRate)
{
   const uint32_t dataSize = uint32_t(samples.size() * 2);
   std::vector<unsigned char> out;
   out.reserve(44 + dataSize);
   put_tag(out, "RIFF");
   put32(out, 36 + dataSize);
   put_tag(out, "WAVE");
   put_tag(out, "fmt ");
   put32(out, 16);
   put16(out, 1);  // PCM
   put16(out, 1);  // channels
   put32(out, uint32_t(sampleRate));
   put32(out, uint32_t(sampleRate) * 2);  // bytes a second
   put16(out, 2);                         // bytes a frame
   put16(out, 16);                        // bits a sample
   put_tag(out, "data");
   put32(out, dataSize);
   for (int16_t s : samples)
      put16(out, uint16_t(s));
   return out;
}
