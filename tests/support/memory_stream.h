// A packed-file stream over bytes in memory that tells whether and how
// often it was closed, and how far it was read.
#ifndef TOSSARO_TESTS_MEMORY_STREAM_H
#define TOSSARO_TESTS_MEMORY_STREAM_H

#include <allegro.h>

#include <vector>

class MemoryStream {
public:
   explicit MemoryStream(std::vector<unsigned char> bytes);
   // A new PACKFILE reading the bytes; it stays valid until closed.
   PACKFILE *open();

   int closes() const { return closes_; }
   size_t position() const { return at_; }

private:
   static const PACKFILE_VTABLE vtable_;
   static int close(void *self);
   static int getc(void *self);
   static int ungetc(int c, void *self);
   static long read(void *p, long n, void *self);
   static int putc(int c, void *self);
   static long write(const void *p, long n, void *self);
   static int seek(void *self, int offset);
   static int eof(void *self);
   static int error(void *self);

   std::vector<unsigned char> bytes_;
   size_t at_ = 0;
   int closes_ = 0;
};

#endif
