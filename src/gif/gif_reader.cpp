#include "gif/gif_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "gif/gif_decoder.h"
#include "gif/gif_format.h"

namespace {

// Where in the file a read fails, for the message.
enum class Place { none, header, between_blocks, image };

struct Failure {
   GifError error = GIF_ERROR_NONE;
   Place place = Place::none;
   int frame = 0;  // the frames read before it, so the number of the one it is in
   int systemError = 0;  // errno, for GIF_ERROR_IO
};

// A stream of someone else's may fail without setting errno: then EIO.
Failure system_failure(int error)
{
   return {GIF_ERROR_IO, Place::none, 0, error ? error : EIO};
}

// For the steps that can only fail by the stream ending.
GifError unless_ended(bool read)
{
   return read ? GIF_ERROR_NONE : GIF_ERROR_TRUNCATED;
}

// Reads `table->count` entries of red, green and blue.
bool read_color_table(PACKFILE *stream, ColorTable *table)
{
   unsigned char rgb[3 * 256];
   const int size = 3 * table->count;
   if (pack_fread(rgb, size, stream) != size)
      return false;
   for (int k = 0; k < table->count; k++) {
      table->colors[k].r = rgb[3 * k];
      table->colors[k].g = rgb[3 * k + 1];
      table->colors[k].b = rgb[3 * k + 2];
   }
   return true;
}

// The table size a packed byte announces, or 0 when its flag is clear.
int table_count(int packed)
{
   return (packed & GIF_TABLE_FLAG) ? 1 << ((packed & 7) + 1) : 0;
}

bool skip_bytes(PACKFILE *stream, int n)
{
   unsigned char scratch[256];
   return pack_fread(scratch, n, stream) == n;
}

// Skips data sub-blocks, starting from a size byte already read.
bool skip_sub_blocks(PACKFILE *stream, int size)
{
   while (size > 0) {
      if (!skip_bytes(stream, size))
         return false;
      size = pack_getc(stream);
   }
   return size == 0;
}

bool too_large(int w, int h)
{
   return long(w) * long(h) > GIF_MAX_PIXELS;
}

GifError read_extension(PACKFILE *stream, GifSequence *sequence, GifFrame *pending)
{
   const int label = pack_getc(stream);
   int size = pack_getc(stream);
   if (label < 0 || size < 0)
      return GIF_ERROR_TRUNCATED;

   if (label == GIF_GRAPHIC_CONTROL_LABEL) {
      if (size != GIF_GRAPHIC_CONTROL_SIZE)
         return GIF_ERROR_CONTROL_SIZE;
      const int packed = pack_getc(stream);
      const int delay = pack_igetw(stream);
      const int index = pack_getc(stream);
      if (packed < 0 || delay < 0 || index < 0)
         return GIF_ERROR_TRUNCATED;
      pending->disposal = (packed >> GIF_DISPOSAL_SHIFT) & GIF_MAX_DISPOSAL;
      pending->delay = delay;
      pending->transparent_index = (packed & 1) ? index : -1;
      return unless_ended(skip_sub_blocks(stream, pack_getc(stream)));
   }

   if (label == GIF_APPLICATION_LABEL && size == GIF_APPLICATION_ID_SIZE) {
      char id[GIF_APPLICATION_ID_SIZE];
      if (pack_fread(id, GIF_APPLICATION_ID_SIZE, stream) != GIF_APPLICATION_ID_SIZE)
         return GIF_ERROR_TRUNCATED;
      size = pack_getc(stream);
      if (memcmp(id, GIF_LOOP_APPLICATION_ID, GIF_APPLICATION_ID_SIZE) == 0 &&
          size == GIF_LOOP_BLOCK_SIZE) {
         const int subBlockId = pack_getc(stream);
         const int count = pack_igetw(stream);
         if (subBlockId < 0 || count < 0)
            return GIF_ERROR_TRUNCATED;
         sequence->loop_count = subBlockId == 1 ? count : 0;
         sequence->loop_block = 1;
         size = pack_getc(stream);
      }
   }
   return unless_ended(skip_sub_blocks(stream, size));
}

// Moves the rows of an interlaced image from the order the file stores
// them to their places on screen, in place: each cycle of the reordering
// is followed with one row held aside, so that every row moves once and no
// copy of the picture is made.
bool deinterlace(GifFrame *frame)
{
   BITMAP *bitmap = frame->bitmap;
   const size_t rowBytes = size_t(bitmap->w);
   const int h = bitmap->h;
   unsigned char *held = static_cast<unsigned char *>(malloc(rowBytes + size_t(h)));
   if (!held)
      return false;
   unsigned char *placed = held + rowBytes;
   memset(placed, 0, size_t(h));
   for (int start = 0; start < h; start++) {
      if (placed[start] || gif_stored_row(frame, start) == start)
         continue;
      memcpy(held, bitmap->line[start], rowBytes);
      int row = start;
      for (;;) {
         placed[row] = 1;
         const int from = gif_stored_row(frame, row);
         if (from == start) {
            memcpy(bitmap->line[row], held, rowBytes);
            break;
         }
         memcpy(bitmap->line[row], bitmap->line[from], rowBytes);
         row = from;
      }
   }
   free(held);
   return true;
}

// Reads an image descriptor, its local table and its data into `frame`.
GifError read_image(PACKFILE *stream, GifFrame *frame)
{
   frame->x = pack_igetw(stream);
   frame->y = pack_igetw(stream);
   const int w = pack_igetw(stream);
   const int h = pack_igetw(stream);
   const int packed = pack_getc(stream);
   if (frame->x < 0 || frame->y < 0 || w < 0 || h < 0 || packed < 0)
      return GIF_ERROR_TRUNCATED;
   if (too_large(w, h))
      return GIF_ERROR_TOO_LARGE;

   frame->bitmap = create_bitmap_ex(8, w, h);
   if (!frame->bitmap)
      return GIF_ERROR_NO_MEMORY;
   frame->palette.count = table_count(packed);
   if (frame->palette.count && !read_color_table(stream, &frame->palette))
      return GIF_ERROR_TRUNCATED;
   frame->interlaced = (packed & GIF_INTERLACE_FLAG) ? 1 : 0;
   const GifError data = decode_gif_image(stream, frame->bitmap, &frame->missing_pixels, &frame->data_bytes);
   if (data != GIF_ERROR_NONE)
      return data;
   if (frame->interlaced && w > 0 && h >= 2 && !deinterlace(frame))
      return GIF_ERROR_NO_MEMORY;
   return GIF_ERROR_NONE;
}

bool append_frame(GifSequence *sequence, const GifFrame &frame)
{
   void *grown = realloc(sequence->frames, sizeof(GifFrame) * (sequence->frame_count + 1));
   if (!grown)
      return false;
   sequence->frames = static_cast<GifFrame *>(grown);
   sequence->frames[sequence->frame_count++] = frame;
   return true;
}

GifFrame fresh_frame()
{
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = -1;
   return frame;
}

// The signature, the screen descriptor and the global table. A stream
// that ends inside the six bytes of the signature is not taken for a GIF.
GifError read_header(PACKFILE *stream, GifSequence *sequence)
{
   static const char signature[] = "GIF8";
   for (int k = 0; k < 4; k++) {
      if (pack_getc(stream) != signature[k])
         return GIF_ERROR_NOT_GIF;
   }
   const int version = pack_getc(stream);
   if (version != '7' && version != '9')
      return GIF_ERROR_NOT_GIF;
   if (pack_getc(stream) != 'a')
      return GIF_ERROR_NOT_GIF;

   sequence->width = pack_igetw(stream);
   sequence->height = pack_igetw(stream);
   const int packed = pack_getc(stream);
   sequence->background_index = pack_getc(stream);
   const int aspect = pack_getc(stream);
   if (sequence->width < 0 || sequence->height < 0 || packed < 0 ||
       sequence->background_index < 0 || aspect < 0)
      return GIF_ERROR_TRUNCATED;
   if (too_large(sequence->width, sequence->height))
      return GIF_ERROR_TOO_LARGE;

   sequence->palette.count = table_count(packed);
   return unless_ended(sequence->palette.count == 0 ||
                       read_color_table(stream, &sequence->palette));
}

// The block loop: GIF_ERROR_NONE at the trailer, else the reason it
// stopped, with `*place` set to the kind of block it stopped in.
GifError read_blocks(PACKFILE *stream, GifSequence *sequence, Place *place)
{
   GifFrame pending = fresh_frame();
   for (;;) {
      *place = Place::between_blocks;
      const int introducer = pack_getc(stream);
      if (introducer == GIF_TRAILER)
         return GIF_ERROR_NONE;
      if (introducer == EOF)
         return GIF_ERROR_TRUNCATED;
      if (introducer == GIF_EXTENSION_INTRODUCER) {
         const GifError error = read_extension(stream, sequence, &pending);
         if (error != GIF_ERROR_NONE)
            return error;
      } else if (introducer == GIF_IMAGE_SEPARATOR) {
         *place = Place::image;
         GifError error = read_image(stream, &pending);
         if (error == GIF_ERROR_NONE && !append_frame(sequence, pending))
            error = GIF_ERROR_NO_MEMORY;
         if (error != GIF_ERROR_NONE) {
            if (pending.bitmap)
               destroy_bitmap(pending.bitmap);
            return error;
         }
         pending = fresh_frame();
      }
      // Any other byte, such as the terminator after image data, is
      // passed over.
   }
}

// The place of a failure in words, or "" when it has none.
std::string where(const Failure &failure)
{
   switch (failure.place) {
   case Place::header:
      return "in the header";
   case Place::between_blocks:
      return failure.frame == 0 ? "before the first image"
                                : "after frame " + std::to_string(failure.frame - 1);
   case Place::image:
      return "in frame " + std::to_string(failure.frame);
   default:
      return "";
   }
}

// A short phrase for the reason, such as "not a GIF file".
const char *reason_of(GifError error)
{
   switch (error) {
   case GIF_ERROR_NONE:
      return "no error";
   case GIF_ERROR_NOT_GIF:
      return "not a GIF file";
   case GIF_ERROR_TRUNCATED:
      return "truncated";
   case GIF_ERROR_CONTROL_SIZE:
      return "a graphic control block of the wrong size";
   case GIF_ERROR_NO_END_CODE:
      return "image data stops before its end code";
   case GIF_ERROR_CODE_SIZE:
      return "an LZW minimum code size above 11";
   case GIF_ERROR_UNDEFINED_CODE:
      return "an undefined LZW code";
   case GIF_ERROR_TOO_LARGE:
      return "a picture over 2^28 pixels";
   case GIF_ERROR_NO_MEMORY:
      return "out of memory";
   case GIF_ERROR_IO:
      return "an I/O error";
   }
   return "an unknown error";
}

// The codec's way with a failure: null, and why in *problem when asked,
// in one line that also says where the file holds the fault, such as
// "truncated: the file ends in frame 3", or the system's message for an
// I/O error.
GifSequence *refuse(const Failure &failure, std::string *problem)
{
   if (!problem)
      return nullptr;
   const std::string place = where(failure);
   if (failure.error == GIF_ERROR_IO)
      *problem = strerror(failure.systemError);
   else if (failure.error == GIF_ERROR_TRUNCATED)
      *problem = "truncated: the file ends " + place;
   else
      *problem = reason_of(failure.error) + (place.empty() ? "" : " " + place);
   return nullptr;
}

// A file read through a buffer of its own: Allegro's file streams hand
// pack_fread the bytes one at a time, which costs more than the LZW
// decoding of a large picture.
class FileStream {
public:
   // Opens `filename` for reading; null with errno set when it cannot.
   static PACKFILE *open(const char *filename)
   {
      const int fd = ::open(filename, O_RDONLY | O_CLOEXEC);
      if (fd < 0)
         return nullptr;
      FileStream *file = new FileStream(fd);
      PACKFILE *stream = pack_fopen_vtable(&vtable_, file);
      if (!stream) {
         const int error = errno;
         delete file;
         errno = error ? error : ENOMEM;
      }
      return stream;
   }

private:
   explicit FileStream(int fd) : fd_(fd) {}
   ~FileStream() { ::close(fd_); }

   static FileStream *of(void *self) { return static_cast<FileStream *>(self); }

   // Refills the buffer; false at the end of the file or on an error.
   bool fill()
   {
      ssize_t n;
      do {
         n = ::read(fd_, buffer_, sizeof buffer_);
      } while (n < 0 && errno == EINTR);
      if (n < 0)
         failed_ = true;
      next_ = buffer_;
      end_ = buffer_ + (n > 0 ? n : 0);
      return n > 0;
   }

   static int close(void *self)
   {
      delete of(self);
      return 0;
   }

   static int getc(void *self)
   {
      FileStream *f = of(self);
      if (f->next_ == f->end_ && !f->fill())
         return EOF;
      return *f->next_++;
   }

   static int ungetc(int c, void *self)
   {
      FileStream *f = of(self);
      if (f->next_ == f->buffer_)
         return EOF;
      *--f->next_ = static_cast<unsigned char>(c);
      return c;
   }

   static long read(void *p, long n, void *self)
   {
      FileStream *f = of(self);
      unsigned char *to = static_cast<unsigned char *>(p);
      long done = 0;
      while (done < n && (f->next_ < f->end_ || f->fill())) {
         const long part = std::min(n - done, long(f->end_ - f->next_));
         memcpy(to + done, f->next_, size_t(part));
         f->next_ += part;
         done += part;
      }
      return done;
   }

   static int putc(int, void *) { return EOF; }
   static long write(const void *, long, void *) { return 0; }

   static int seek(void *self, int offset)
   {
      FileStream *f = of(self);
      while (offset > 0 && (f->next_ < f->end_ || f->fill())) {
         const long part = std::min(long(offset), long(f->end_ - f->next_));
         f->next_ += part;
         offset -= int(part);
      }
      return offset > 0 ? -1 : 0;
   }

   static int eof(void *self)
   {
      FileStream *f = of(self);
      return f->next_ == f->end_ && !f->failed_ && !f->fill();
   }

   static int error(void *self) { return of(self)->failed_ ? -1 : 0; }

   static const PACKFILE_VTABLE vtable_;

   int fd_;
   bool failed_ = false;
   unsigned char *next_ = buffer_;
   unsigned char *end_ = buffer_;
   unsigned char buffer_[64 * 1024];
};

const PACKFILE_VTABLE FileStream::vtable_ = {
   FileStream::close, FileStream::getc, FileStream::ungetc,
   FileStream::read,  FileStream::putc, FileStream::write,
   FileStream::seek,  FileStream::eof,  FileStream::error,
};

}  // namespace

GifSequence *parse_gif_sequence(PACKFILE *stream, std::string *problem)
{
   Failure failure;
   GifSequence *sequence = static_cast<GifSequence *>(calloc(1, sizeof(GifSequence)));
   if (!sequence) {
      failure.error = GIF_ERROR_NO_MEMORY;
   } else {
      failure.error = read_header(stream, sequence);
      if (failure.error == GIF_ERROR_NONE)
         failure.error = read_blocks(stream, sequence, &failure.place);
      else if (failure.error != GIF_ERROR_NOT_GIF)
         failure.place = Place::header;
      failure.frame = sequence->frame_count;
   }
   if (failure.error == GIF_ERROR_NONE)
      return sequence;
   // A read error ends the stream as its end does; only the stream tells
   // the two apart.
   if (failure.error != GIF_ERROR_NO_MEMORY && pack_ferror(stream))
      failure = system_failure(errno);
   free_gif_sequence(sequence);
   return refuse(failure, problem);
}

GifSequence *read_gif_sequence(PACKFILE *stream, std::string *problem)
{
   GifSequence *sequence = parse_gif_sequence(stream, problem);
   pack_fclose(stream);
   return sequence;
}

GifSequence *open_gif_sequence(const char *filename, std::string *problem)
{
   // Allegro opens a folder, then fails to read it with EFAULT.
   struct stat status;
   if (stat(filename, &status) == 0 && S_ISDIR(status.st_mode))
      return refuse(system_failure(EISDIR), problem);
   // A name with '#' stands for an object of an Allegro datafile.
   PACKFILE *stream = strchr(filename, '#') ? pack_fopen(filename, "r") : FileStream::open(filename);
   if (!stream)
      return refuse(system_failure(errno), problem);
   return read_gif_sequence(stream, problem);
}
