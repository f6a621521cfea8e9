#include "files/netpbm_file.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

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
      if (text.empty() || text.size() > 9 ||
          text.find_first_not_of("0123456789") != std::string::npos)
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

bool ends_with(const char *filename, const char *extension)
{
   const size_t n = strlen(filename), e = strlen(extension);
   return n > e && strcasecmp(filename + n - e, extension) == 0;
}

}  // namespace

std::string read_netpbm(const std::vector<unsigned char> &bytes, Picture *picture)
{
   if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '5' || bytes[1] > '7')
      return "not a PAM, PPM or PGM picture";
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
   // Each value's 8 bits, worked out once rather than for every sample.
   std::vector<uint32_t> scaled(size_t(maxval) + 1);
   for (long value = 0; value <= maxval; value++)
      scaled[size_t(value)] = uint32_t((value * 255 + maxval / 2) / maxval);
   for (uint32_t &pixel : picture->pixels) {
      auto sample = [&](int k) {
         const long value = bytesPerSample == 2 ? in[2 * k] << 8 | in[2 * k + 1] : in[k];
         return scaled[size_t(std::min(value, maxval))];
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

bool NetpbmOutput::known(const char *filename)
{
   return ends_with(filename, ".pam") || ends_with(filename, ".ppm");
}

std::string NetpbmOutput::open(const char *filename, int w, int h)
{
   const std::string problem = file_.open(filename);
   if (problem.empty())
      write_header(filename, w, h);
   return problem;
}

std::string NetpbmOutput::create(const char *filename, int w, int h)
{
   const std::string problem = file_.create(filename);
   if (problem.empty())
      write_header(filename, w, h);
   return problem;
}

void NetpbmOutput::write_header(const char *filename, int w, int h)
{
   channels_ = ends_with(filename, ".ppm") ? 3 : 4;
   rowBytes_ = size_t(w) * size_t(channels_);
   if (channels_ == 3)
      fprintf(file_.stream(), "P6\n%d %d\n255\n", w, h);
   else
      fprintf(file_.stream(),
              "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", w, h);
}

void NetpbmOutput::write_row(const unsigned char *samples)
{
   fwrite(samples, 1, rowBytes_, file_.stream());
}
