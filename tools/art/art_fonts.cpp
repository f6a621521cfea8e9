#include "art_fonts.h"

#include <allegro.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "art_files.h"
#include "art_text.h"

namespace {

const int kFirstChar = 32;
const int kLastChar = 126;
const int kGlyphsPerRow = 16;
const int kPaper = 0;
const int kInk = 1;
const int kBorder = 255;

struct MonoGlyph {
   int w = 0;  // of its cell: the advance, widened to hold all its ink
   int left = 0, top = 0;  // of the ink within the cell, top from the baseline
   int inkW = 0, inkH = 0;
   std::vector<uint8_t> ink;  // inkW by inkH, 1 where set
};

MonoGlyph render_mono(FT_Face face, int ch)
{
   if (FT_Load_Char(face, FT_ULong(ch), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
      throw std::runtime_error("a glyph cannot be rendered");
   const FT_GlyphSlot slot = face->glyph;
   const FT_Bitmap &b = slot->bitmap;
   MonoGlyph g;
   const int advance = int((slot->advance.x + 32) >> 6);
   const int x0 = std::min(0, slot->bitmap_left);
   const int x1 = std::max(advance, slot->bitmap_left + int(b.width));
   g.w = x1 - x0;
   g.left = slot->bitmap_left - x0;
   g.top = slot->bitmap_top;
   g.inkW = int(b.width);
   g.inkH = int(b.rows);
   for (int y = 0; y < g.inkH; y++) {
      const unsigned char *row = b.buffer + long(y) * b.pitch;
      for (int x = 0; x < g.inkW; x++) {
         const bool set = b.pixel_mode == FT_PIXEL_MODE_MONO ? (row[x >> 3] & (0x80 >> (x & 7))) != 0
                                                              : row[x] >= 128;
         g.ink.push_back(set ? 1 : 0);
      }
   }
   return g;
}

// The glyphs of the largest whole size at which all of them fit in
// `height` rows; *baseline receives the baseline's row in a cell.
std::vector<MonoGlyph> fitting_glyphs(int height, int *baseline)
{
   for (int size = height + 4; size > 4; size--) {
      FontFace font(kLetteringFace, size);
      std::vector<MonoGlyph> glyphs;
      int above = 0, below = 0;
      for (int ch = kFirstChar; ch <= kLastChar; ch++) {
         glyphs.push_back(render_mono(font.face(), ch));
         const MonoGlyph &g = glyphs.back();
         if (g.inkH > 0) {
            above = std::max(above, g.top);
            below = std::max(below, g.inkH - g.top);
         }
      }
      if (above + below <= height) {
         *baseline = above + (height - above - below) / 2;
         return glyphs;
      }
   }
   throw std::runtime_error("no size of the font fits");
}

}  // namespace

std::string write_font(const std::string &path, int height)
{
   try {
      int baseline = 0;
      const std::vector<MonoGlyph> glyphs = fitting_glyphs(height, &baseline);

      // Rows of cells, each cell boxed by one-pixel border lines that
      // neighbours share.
      const int rows = (int(glyphs.size()) + kGlyphsPerRow - 1) / kGlyphsPerRow;
      int sheetW = 0;
      for (int r = 0; r < rows; r++) {
         int w = 1;
         for (int k = r * kGlyphsPerRow; k < std::min(int(glyphs.size()), (r + 1) * kGlyphsPerRow); k++)
            w += glyphs[size_t(k)].w + 1;
         sheetW = std::max(sheetW, w);
      }
      BITMAP *sheet = create_bitmap_ex(8, sheetW, 1 + rows * (height + 1));
      if (!sheet)
         return "out of memory for a glyph sheet";
      clear_to_color(sheet, kBorder);
      for (size_t k = 0; k < glyphs.size(); k++) {
         const MonoGlyph &g = glyphs[k];
         const int r = int(k) / kGlyphsPerRow;
         int x = 1;
         for (size_t j = size_t(r) * kGlyphsPerRow; j < k; j++)
            x += glyphs[j].w + 1;
         const int y = 1 + r * (height + 1);
         rectfill(sheet, x, y, x + g.w - 1, y + height - 1, kPaper);
         for (int gy = 0; gy < g.inkH; gy++) {
            const int row = baseline - g.top + gy;
            if (row < 0 || row >= height)
               continue;
            for (int gx = 0; gx < g.inkW; gx++) {
               if (g.ink[size_t(gy) * g.inkW + gx])
                  putpixel(sheet, x + g.left + gx, y + row, kInk);
            }
         }
      }

      PALETTE palette;
      for (int k = 0; k < PAL_SIZE; k++)
         palette[k] = {0, 0, 0, 0};
      palette[kInk] = {63, 63, 63, 0};
      palette[kBorder] = {63, 63, 0, 0};
      const std::string problem = save_whole(path, sheet, palette, save_pcx);
      destroy_bitmap(sheet);
      return problem;
   } catch (const std::exception &e) {
      return e.what();
   }
}
