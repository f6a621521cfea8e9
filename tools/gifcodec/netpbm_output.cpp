#include "netpbm_output.h"

#include <strings.h>

#include <cstring>

namespace {

bool ends_with(const char *filename, const char *extension)
{
   const size_t n = strlen(filename), e = strlen(extension);
   return n > e && strcasecmp(filename + n - e, extension) == 0;
}

}  // namespace

bool NetpbmOutput::known(const char *filename)
{
   return ends_with(filename, ".pam") || ends_with(filename, ".ppm");
}

std::string NetpbmOutput::open(const char *filename, int w, int h)
{
   const std::string problem = file_.open(filename);
   if (!problem.empty())
      return problem;
   channels_ = ends_with(filename, ".ppm") ? 3 : 4;
   rowBytes_ = size_t(w) * size_t(channels_);
   if (channels_ == 3)
      fprintf(file_.stream(), "P6\n%d %d\n255\n", w, h);
   else
      fprintf(file_.stream(),
              "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", w, h);
   return std::string();
}

void NetpbmOutput::write_row(const unsigned char *samples)
{
   fwrite(samples, 1, rowBytes_, file_.stream());
}
