#include "gif_bytes.h"

std::vector<Code> raw_codes(int minCodeSize, const std::vector<int> &pixels)
{
   const int clear = 1 << minCodeSize;
   const int width = minCodeSize + 1;
   // After a clear code, the decoder's width grows once clear - 1 more
   // codes have been read; clearing before then keeps every code at m + 1.
   const int run = clear - 2 > 0 ? clear - 2 : 1;
   std::vector<Code> codes;
   for (size_t i = 0; i < pixels.size(); i++) {
      if (i % run == 0)
         codes.push_back({clear, width});
      codes.push_back({pixels[i], width});
   }
   codes.push_back({clear + 1, width});
   return codes;
}

std::vector<unsigned char> pack_codes(const std::vector<Code> &codes)
{
   std::vector<unsigned char> out;
   int bit = 0;
   for (const Code &code : codes) {
      for (int k = 0; k < code.width; k++, bit++) {
         if (bit % 8 == 0)
            out.push_back(0);
         if ((code.value >> k) & 1)
            out.back() |= uint8_t(1 << (bit % 8));
      }
   }
   return out;
}

int table_size(size_t colors)
{
   int size = 2;
   while (size_t(size) < colors)
      size *= 2;
   return size;
}

static int size_field(int size)
{
   int field = 0;
   while ((2 << field) < size)
      field++;
   return field;
}

GifBytes &GifBytes::raw(std::initializer_list<int> values)
{
   for (int v : values)
      bytes.push_back(uint8_t(v));
   return *this;
}

GifBytes &GifBytes::text(const std::string &s)
{
   bytes.insert(bytes.end(), s.begin(), s.end());
   return *this;
}

GifBytes &GifBytes::word(int value)
{
   return raw({value & 0xff, (value >> 8) & 0xff});
}

GifBytes &GifBytes::header(int width, int height, const std::vector<uint32_t> &colors,
                           int background, const char *signature)
{
   text(signature).word(width).word(height);
   if (colors.empty())
      return raw({0, background, 0});
   const int size = table_size(colors.size());
   raw({0x80 | 0x70 | size_field(size), background, 0});
   return table(colors, size);
}

GifBytes &GifBytes::table(const std::vector<uint32_t> &colors, int count)
{
   for (int k = 0; k < count; k++) {
      const uint32_t c = size_t(k) < colors.size() ? colors[k] : 0;
      raw({int(c >> 16) & 0xff, int(c >> 8) & 0xff, int(c) & 0xff});
   }
   return *this;
}

GifBytes &GifBytes::control(int disposal, int delay, int transparent)
{
   raw({0x21, 0xF9, 4, disposal * 4 + (transparent >= 0 ? 1 : 0)});
   return word(delay).raw({transparent >= 0 ? transparent : 0, 0});
}

GifBytes &GifBytes::loop(int count)
{
   raw({0x21, 0xFF, 11}).text("NETSCAPE2.0").raw({3, 1});
   return word(count).raw({0});
}

GifBytes &GifBytes::image(int x, int y, int w, int h, const std::vector<uint32_t> &colors,
                          bool interlaced)
{
   raw({0x2C}).word(x).word(y).word(w).word(h);
   int packed = interlaced ? 0x40 : 0;
   if (colors.empty())
      return raw({packed});
   const int size = table_size(colors.size());
   raw({packed | 0x80 | size_field(size)});
   return table(colors, size);
}

GifBytes &GifBytes::data(int minCodeSize, const std::vector<Code> &codes, int blockSize,
                         bool terminate)
{
   raw({minCodeSize});
   const std::vector<unsigned char> packed = pack_codes(codes);
   for (size_t at = 0; at < packed.size(); at += size_t(blockSize)) {
      const size_t n = packed.size() - at < size_t(blockSize) ? packed.size() - at : blockSize;
      bytes.push_back(uint8_t(n));
      bytes.insert(bytes.end(), packed.begin() + long(at), packed.begin() + long(at + n));
   }
   if (terminate)
      bytes.push_back(0);
   return *this;
}

GifBytes &GifBytes::trailer()
{
   return raw({0x3B});
}
