#include "picture.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "indexed_file.h"
#include "quantize.h"

namespace {

const uint32_t kOpaque = 0xFF000000u;

// Splits a netpbm header into tokens, skipping comments.
class Header {
public:
   Header(const std::vector<unsigned char> &bytes, size_t at) : bytes_(bytes), at_(at) {}

   std::string word()
   {
      for (;;) {
         while (at_ < bytes_.size() && isspace(bytes_[at_]))
            at_++;
         if (at_ < bytes_.size() && bytes_[at_] == '#') {
            while (at_ < bytes_.size() && bytes_[at_] != '\n')
               at_++;
            continue;
         }
         break;
      }
      std::string out;
      while (at_ < bytes_.size() && !isspace(bytes_[at_]))
         out += char(bytes_[at_++]);
      return out;
   }

   long number()
   {
      const std::string text = word();
      if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
         return -1;
      return std::stol(text);
   }

   // The single white-space byte that ends a header: after the maxval of
   // a P5/P6 one, after ENDHDR in a PAM.
   void end_line() { at_++; }
   size_t at() const { return at_; }

private:
   const std::vector<unsigned char> &bytes_;
   size_t at_;
};

std::string read_netpbm(const std::vector<unsigned char> &bytes, Picture *picture)
{
   const char kind = char(bytes[1]);
   Header header(bytes, 2);
   long w = -1, h = -1, depth = -1, maxval = -1;
   std::string tupltype;
   if (kind == '7') {
      for (std::string key = header.word(); key != "ENDHDR"; key = header.word()) {
         if (key.empty())
            return "PAM header has no ENDHDR";
         if (key == "WIDTH")
            w = header.number();
         else if (key == "HEIGHT")
            h = header.number();
         else if (key == "DEPTH")
            depth = header.number();
         else if (key == "MAXVAL")
            maxval = header.number();
         else if (key == "TUPLTYPE")
            tupltype = header.word();
         else
            return "unknown PAM header field " + key;
      }
      header.end_line();
   } else {
      depth = kind == '6' ? 3 : 1;
      w = header.number();
      h = header.number();
      maxval = header.number();
      header.end_line();
   }
   if (w <= 0 || h <= 0 || w > 65535 || h > 65535)
      return "picture size missing or out of range";
   if (depth < 1 || depth > 4)
      return "unsupported PAM depth";
   if (maxval < 1 || maxval > 65535)
      return "MAXVAL out of range";
   const bool alpha = depth == 2 || depth == 4;
   const bool gray = depth <= 2;
   // Samples above 255 take two bytes, most significant first.
   const int bytesPerSample = maxval > 255 ? 2 : 1;
   const size_t need = size_t(w) * size_t(h) * size_t(depth) * size_t(bytesPerSample);
   if (bytes.size() < header.at() || bytes.size() - header.at() < need)
      return "pixel data is cut short";

   picture->w = int(w);
   picture->h = int(h);
   picture->pixels.resize(size_t(w) * size_t(h));
   const unsigned char *in = bytes.data() + header.at();
   for (uint32_t &pixel : picture->pixels) {
      auto sample = [&](int k) {
         const long value = bytesPerSample == 2 ? in[2 * k] << 8 | in[2 * k + 1] : in[k];
         return uint32_t((std::min(value, maxval) * 255 + maxval / 2) / maxval);
      };
      const uint32_t r = sample(0);
      const uint32_t g = gray ? r : sample(1);
      const uint32_t b = gray ? r : sample(2);
      const uint32_t a = alpha ? sample(int(depth) - 1) : 255;
      pixel = a << 24 | r << 16 | g << 8 | b;
      in += depth * bytesPerSample;
   }
   return std::string();
}

std::string read_with_library(const char *filename, Picture *picture)
{
   PALETTE palette;
   BITMAP *bitmap = load_bitmap(filename, palette);
   if (!bitmap)
      return "not a picture the library can read (BMP, PCX, TGA, LBM, PAM, PPM, PGM)";
   // 8-bit pictures come through their palette, at the library's 6 bits
   // per component.
   select_palette(palette);
   picture->w = bitmap->w;
   picture->h = bitmap->h;
   picture->pixels.resize(size_t(bitmap->w) * size_t(bitmap->h));
   const int depth = bitmap_color_depth(bitmap);
   size_t i = 0;
   for (int y = 0; y < bitmap->h; y++) {
      for (int x = 0; x < bitmap->w; x++) {
         const int c = getpixel(bitmap, x, y);
         picture->pixels[i++] = kOpaque | uint32_t(getr_depth(depth, c)) << 16 |
                                uint32_t(getg_depth(depth, c)) << 8 | uint32_t(getb_depth(depth, c));
      }
   }
   unselect_palette();
   destroy_bitmap(bitmap);
   return std::string();
}

// A truecolour picture's indices and table.
std::string indexed(const std::string &problem, const Picture &picture, IndexedPicture *out)
{
   if (!problem.empty())
      return problem;
   return index_picture(picture, out) ? std::string() : "out of memory for the picture";
}

std::string read_picture_file(FILE *file, const char *filename, IndexedPicture *picture)
{
   unsigned char magic[2] = {0, 0};
   if (fread(magic, 1, 2, file) == 2 && magic[0] == 'P' && magic[1] >= '5' && magic[1] <= '7') {
      Picture truecolour;
      return indexed(read_netpbm(whole_file(file), &truecolour), truecolour, picture);
   }
   bool handled = false;
   std::string problem = read_indexed_bmp(file, picture, &handled);
   if (!handled)
      problem = read_indexed_pcx(file, picture, &handled);
   const size_t n = strlen(filename);
   if (!handled && n > 4 && strcasecmp(filename + n - 4, ".tga") == 0)
      problem = read_indexed_tga(file, picture, &handled);
   if (handled)
      return problem;
   Picture truecolour;
   return indexed(read_with_library(filename, &truecolour), truecolour, picture);
}

}  // namespace

std::string read_picture(const char *filename, IndexedPicture *picture)
{
   FILE *file = fopen(filename, "rb");
   if (!file)
      return strerror(errno);
   const std::string problem = read_picture_file(file, filename, picture);
   fclose(file);
   return problem;
}
