#include "art_png.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace {

void put32(std::vector<unsigned char> &out, uint32_t v)
{
   for (int shift = 24; shift >= 0; shift -= 8)
      out.push_back(uint8_t(v >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void put_chunk(std::vector<unsigned char> &out, const char *type,
               const std::vector<unsigned char> &data)
{
   put32(out, uint32_t(data.size()));
   const size_t start = out.size();
   out.insert(out.end(), type, type + 4);
   out.insert(out.end(), data.begin(), data.end());
   put32(out, uint32_t(crc32(0, &out[start], uInt(out.size() - start))));
}

uint8_t channel(float premultiplied, float alpha)
{
   return uint8_t(std::lround(std::clamp(premultiplied / alpha, 0.0f, 255.0f)));
}

// The layer's pixels row by row as 8-bit RGBA: the colour no longer
// premultiplied, the coverage as alpha.
std::vector<unsigned char> rgba_bytes(const Layer &layer)
{
   std::vector<unsigned char> rgba;
   rgba.reserve(4 * size_t(layer.w) * size_t(layer.h));
   for (int y = 0; y < layer.h; y++) {
      for (int x = 0; x < layer.w; x++) {
         const Rgba &p = layer.at(x, y);
         const uint8_t a = uint8_t(std::lround(std::clamp(p.a, 0.0f, 1.0f) * 255));
         if (a == 0) {
            rgba.insert(rgba.end(), {0, 0, 0, 0});
            continue;
         }
         rgba.insert(rgba.end(), {channel(p.r, p.a), channel(p.g, p.a), channel(p.b, p.a), a});
      }
   }
   return rgba;
}

}  // namespace

std::vector<unsigned char> pam_bytes(const Layer &layer)
{
   const std::string header = "P7\nWIDTH " + std::to_string(layer.w) + "\nHEIGHT " +
                              std::to_string(layer.h) +
                              "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
   std::vector<unsigned char> out(header.begin(), header.end());
   const std::vector<unsigned char> rgba = rgba_bytes(layer);
   out.insert(out.end(), rgba.begin(), rgba.end());
   return out;
}

std::vector<unsigned char> png_bytes(const Layer &layer)
{
   // Each row: filter type 0, then its pixels.
   const std::vector<unsigned char> rgba = rgba_bytes(layer);
   const size_t row = 4 * size_t(layer.w);
   std::vector<unsigned char> raw;
   raw.reserve(size_t(layer.h) * (1 + row));
   for (size_t at = 0; at < rgba.size(); at += row) {
      raw.push_back(0);
      raw.insert(raw.end(), rgba.begin() + long(at), rgba.begin() + long(at + row));
   }
   uLongf packedSize = compressBound(uLong(raw.size()));
   std::vector<unsigned char> packed(packedSize);
   compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), Z_BEST_COMPRESSION);
   packed.resize(packedSize);

   std::vector<unsigned char> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
   std::vector<unsigned char> header;
   put32(header, uint32_t(layer.w));
   put32(header, uint32_t(layer.h));
   header.insert(header.end(),
                 {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
   put_chunk(out, "IHDR", header);
   put_chunk(out, "IDAT", packed);
   put_chunk(out, "IEND", {});
   return out;
}
