/* The peer of gifcodec in the whole-run benchmark, on giflib:
 *
 *   gif_peer picture OUT.bmp W H   writes the benchmark's 8-bit BMP: W x H
 *                                  pixels of 256 colours, bands and noise
 *                                  from a fixed seed
 *   gif_peer encode IN.bmp OUT.gif reads an uncompressed 8-bit BMP and
 *                                  writes it with EGifSpew
 */
#include <gif_lib.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static uint32_t word32(const unsigned char *p)
{
   return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void put32(unsigned char *p, uint32_t v)
{
   for (int k = 0; k < 4; k++)
      p[k] = (unsigned char)(v >> (8 * k));
}

static int fail(const char *file, const char *reason)
{
   fprintf(stderr, "gif_peer: %s: %s\n", file, reason);
   return 1;
}

/* Diagonal bands of slowly changing colour, one pixel in eight noise:
 * long LZW strings and a dictionary that fills, as in real art. */
static int picture(const char *path, int w, int h)
{
   const uint32_t stride = ((uint32_t)w + 3) & ~3u;
   unsigned char header[54 + 1024];
   memset(header, 0, sizeof header);
   header[0] = 'B';
   header[1] = 'M';
   put32(header + 2, (uint32_t)sizeof header + stride * (uint32_t)h);
   put32(header + 10, sizeof header);
   put32(header + 14, 40);
   put32(header + 18, (uint32_t)w);
   put32(header + 22, (uint32_t)h);
   header[26] = 1;
   header[28] = 8;
   for (int k = 0; k < 256; k++) {
      header[54 + 4 * k] = (unsigned char)(k * 7 + 3);
      header[55 + 4 * k] = (unsigned char)(255 - k);
      header[56 + 4 * k] = (unsigned char)(k * 3 + 1);
   }
   FILE *out = fopen(path, "wb");
   if (!out)
      return fail(path, "cannot be created");
   fwrite(header, 1, sizeof header, out);
   unsigned char *row = calloc(stride, 1);
   uint32_t seed = 12345;
   for (int y = 0; y < h; y++) {
      for (int x = 0; x < w; x++) {
         seed = seed * 1103515245u + 12345u;
         row[x] = (seed >> 16) % 8 == 0 ? (unsigned char)(seed >> 24)
                                        : (unsigned char)((x + y) / 24 + (x / 400) * 16);
      }
      fwrite(row, 1, stride, out);
   }
   free(row);
   return fclose(out) == 0 ? 0 : fail(path, "cannot be written");
}

static int encode(const char *in, const char *out)
{
   FILE *file = fopen(in, "rb");
   if (!file)
      return fail(in, "cannot be opened");
   unsigned char header[54];
   if (fread(header, 1, sizeof header, file) != sizeof header || header[0] != 'B' ||
       header[28] != 8 || word32(header + 30) != 0)
      return fail(in, "not an uncompressed 8-bit BMP");
   const int w = (int)word32(header + 18), h = (int)word32(header + 22);
   const uint32_t used = word32(header + 46);
   const int entries = used == 0 || used > 256 ? 256 : (int)used;
   unsigned char palette[1024];
   GifColorType colors[256];
   memset(colors, 0, sizeof colors);
   fseek(file, 14 + (long)word32(header + 14), SEEK_SET);
   if (fread(palette, 4, (size_t)entries, file) != (size_t)entries)
      return fail(in, "palette is cut short");
   for (int k = 0; k < entries; k++) {
      colors[k].Red = palette[4 * k + 2];
      colors[k].Green = palette[4 * k + 1];
      colors[k].Blue = palette[4 * k];
   }

   int error;
   GifFileType *gif = EGifOpenFileName(out, false, &error);
   if (!gif)
      return fail(out, GifErrorString(error));
   gif->SWidth = w;
   gif->SHeight = h;
   gif->SColorResolution = 8;
   gif->SBackGroundColor = 0;
   gif->SColorMap = GifMakeMapObject(256, colors);
   SavedImage *image = GifMakeSavedImage(gif, NULL);
   image->ImageDesc.Width = w;
   image->ImageDesc.Height = h;
   image->RasterBits = malloc((size_t)w * (size_t)h);
   /* Bottom-up rows, each padded to four bytes. */
   const long stride = ((long)w + 3) & ~3L;
   fseek(file, (long)word32(header + 10), SEEK_SET);
   for (int row = 0; row < h; row++) {
      unsigned char *line = image->RasterBits + (size_t)(h - 1 - row) * (size_t)w;
      if (fread(line, 1, (size_t)w, file) != (size_t)w)
         return fail(in, "pixel data is cut short");
      fseek(file, stride - w, SEEK_CUR);
   }
   fclose(file);
   if (EGifSpew(gif) != GIF_OK)
      return fail(out, GifErrorString(gif->Error));
   return 0;
}

int main(int argc, char **argv)
{
   if (argc == 5 && strcmp(argv[1], "picture") == 0)
      return picture(argv[2], atoi(argv[3]), atoi(argv[4]));
   if (argc == 4 && strcmp(argv[1], "encode") == 0)
      return encode(argv[2], argv[3]);
   fputs("usage: gif_peer picture OUT.bmp W H | gif_peer encode IN.bmp OUT.gif\n", stderr);
   return 1;
}
