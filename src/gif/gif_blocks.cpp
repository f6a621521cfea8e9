#include "gif/gif_blocks.h"

#include "gif/gif_format.h"

namespace {

void put_word(std::vector<uint8_t> *out, int value)
{
   out->push_back(uint8_t(value));
   out->push_back(uint8_t(value >> 8));
}

}  // namespace

int gif_table_exponent(int count)
{
   int b = 1;
   while ((1 << b) < count)
      b++;
   return b;
}

void put_gif_header(std::vector<uint8_t> *out, int width, int height, int b, int background)
{
   static const char signature[] = "GIF89a";
   out->insert(out->end(), signature, signature + 6);
   put_word(out, width);
   put_word(out, height);
   // Colour resolution 7 in both cases, the table flag and size with one.
   out->push_back(uint8_t(b ? 0xF0 + (b - 1) : 0x70));
   out->push_back(uint8_t(background));
   out->push_back(0);  // pixel aspect ratio
}

void put_gif_table(std::vector<uint8_t> *out, const ColorTable &table, int b)
{
   for (int k = 0; k < (1 << b); k++) {
      out->push_back(table.colors[k].r);
      out->push_back(table.colors[k].g);
      out->push_back(table.colors[k].b);
   }
}

void put_gif_loop(std::vector<uint8_t> *out, int count)
{
   out->push_back(uint8_t(GIF_EXTENSION_INTRODUCER));
   out->push_back(uint8_t(GIF_APPLICATION_LABEL));
   out->push_back(uint8_t(GIF_APPLICATION_ID_SIZE));
   out->insert(out->end(), GIF_LOOP_APPLICATION_ID,
               GIF_LOOP_APPLICATION_ID + GIF_APPLICATION_ID_SIZE);
   out->push_back(uint8_t(GIF_LOOP_BLOCK_SIZE));
   out->push_back(1);  // the loop sub-block's id
   put_word(out, count);
   out->push_back(0);
}

void put_gif_control(std::vector<uint8_t> *out, int disposal, int delay, int transparent)
{
   out->push_back(uint8_t(GIF_EXTENSION_INTRODUCER));
   out->push_back(uint8_t(GIF_GRAPHIC_CONTROL_LABEL));
   out->push_back(uint8_t(GIF_GRAPHIC_CONTROL_SIZE));
   out->push_back(uint8_t(disposal << GIF_DISPOSAL_SHIFT | (transparent >= 0 ? 1 : 0)));
   put_word(out, delay);
   out->push_back(uint8_t(transparent >= 0 ? transparent : 0));
   out->push_back(0);
}

void put_gif_descriptor(std::vector<uint8_t> *out, int x, int y, int w, int h, int b)
{
   out->push_back(uint8_t(GIF_IMAGE_SEPARATOR));
   put_word(out, x);
   put_word(out, y);
   put_word(out, w);
   put_word(out, h);
   out->push_back(uint8_t(b ? GIF_TABLE_FLAG + (b - 1) : 0));
}

std::string gif_out_of_range(const std::string &what, long value, long lo, long hi,
                             const char *unit)
{
   if (value >= lo && value <= hi)
      return std::string();
   return what + " of " + std::to_string(value) + " (" + std::to_string(lo) + " to " +
          std::to_string(hi) + unit + ")";
}

std::string gif_out_of_range(const std::string &what, long a, long b, const char *between, long lo,
                             long hi)
{
   if (a >= lo && a <= hi && b >= lo && b <= hi)
      return std::string();
   return what + " of " + std::to_string(a) + between + std::to_string(b) + " (" +
          std::to_string(lo) + " to " + std::to_string(hi) + " each way)";
}
