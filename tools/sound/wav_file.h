// The RIFF WAVE container: 16-bit PCM, one channel.
#ifndef TOSSARO_TOOLS_WAV_FILE_H
#define TOSSARO_TOOLS_WAV_FILE_H

#include <cstdint>
#include <vector>

// The whole file: a 44-byte header, then the samples, little-endian.
std::vector<unsigned char> wav_bytes(const std::vector<int16_t> &samples, int sampleRate);

#endif
