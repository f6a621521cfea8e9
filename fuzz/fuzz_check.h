// CHECK for the fuzz targets: a broken promise of the codec stops the run
// with the file and line, as a sanitizer report would.
#ifndef TOSSARO_FUZZ_CHECK_H
#define TOSSARO_FUZZ_CHECK_H

#include <cstdio>
#include <cstdlib>

[[noreturn]] inline void check_failed(const char *what, const char *file, int line)
{
   fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
   abort();
}

#define CHECK(condition) \
   do { \
      if (!(condition)) \
         check_failed(#condition, __FILE__, __LINE__); \
   } while (0)

#endif
