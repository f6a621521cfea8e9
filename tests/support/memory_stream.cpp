#include "memory_stream.h"

#include <cstring>

const PACKFILE_VTABLE MemoryStream::vtable_ = {
   MemoryStream::close, MemoryStream::getc, MemoryStream::ungetc,
   MemoryStream::read,  MemoryStream::putc, MemoryStream::write,
   MemoryStream::seek,  MemoryStream::eof,  MemoryStream::error,
};

MemoryStream::MemoryStream(std::vector<unsigned char> bytes) : bytes_(std::move(bytes)) {}

PACKFILE *MemoryStream::open()
{
   return pack_fopen_vtable(&vtable_, this);
}

int MemoryStream::close(void *self)
{
   static_cast<MemoryStream *>(self)->closes_++;
   return 0;
}

int MemoryStream::getc(void *self)
{
   MemoryStream *s = static_cast<MemoryStream *>(self);
   return s->at_ < s->bytes_.size() ? s->bytes_[s->at_++] : EOF;
}

int MemoryStream::ungetc(int c, void *self)
{
   MemoryStream *s = static_cast<MemoryStream *>(self);
   if (s->at_ == 0)
      return EOF;
   s->at_--;
   return c;
}

long MemoryStream::read(void *p, long n, void *self)
{
   MemoryStream *s = static_cast<MemoryStream *>(self);
   const size_t left = s->bytes_.size() - s->at_;
   const size_t count = size_t(n) < left ? size_t(n) : left;
   memcpy(p, s->bytes_.data() + s->at_, count);
   s->at_ += count;
   return long(count);
}

int MemoryStream::putc(int, void *)
{
   return EOF;
}

long MemoryStream::write(const void *, long, void *)
{
   return 0;
}

int MemoryStream::seek(void *self, int offset)
{
   MemoryStream *s = static_cast<MemoryStream *>(self);
   if (offset < 0 || size_t(offset) > s->bytes_.size() - s->at_)
      return -1;
   s->at_ += size_t(offset);
   return 0;
}

int MemoryStream::eof(void *self)
{
   MemoryStream *s = static_cast<MemoryStream *>(self);
   return s->at_ >= s->bytes_.size();
}

int MemoryStream::error(void *)
{
   return 0;
}
