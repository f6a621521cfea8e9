#include "art_files.h"

#include <allegro.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "art_backdrop.h"
#include "art_fonts.h"
#include "art_lettering.h"
#include "art_sprites.h"
#include "gif.h"
#include "quantize.h"

namespace {

// Writes the picture as a still GIF through the game's own writer, its
// colours in the smallest global table that holds them.
std::string write_gif(const std::string &path, const Picture &picture)
{
   const IndexedPicture indexed = index_picture(picture);
   GifFrame frame;
   memset(&frame, 0, sizeof frame);
   frame.transparent_index = indexed.transparent;
   frame.bitmap = create_bitmap_ex(8, picture.w, picture.h);
   if (!frame.bitmap)
      return "out of memory";
   for (int y = 0; y < picture.h; y++)
      memcpy(frame.bitmap->line[y], &indexed.indices[size_t(y) * picture.w], size_t(picture.w));

   GifSequence sequence;
   memset(&sequence, 0, sizeof sequence);
   sequence.width = picture.w;
   sequence.height = picture.h;
   sequence.loop_count = -1;
   sequence.frame_count = 1;
   sequence.frames = &frame;
   sequence.palette.count = 2;
   while (size_t(sequence.palette.count) < indexed.colors.size())
      sequence.palette.count *= 2;
   for (size_t k = 0; k < indexed.colors.size(); k++) {
      sequence.palette.colors[k].r = uint8_t(indexed.colors[k] >> 16);
      sequence.palette.colors[k].g = uint8_t(indexed.colors[k] >> 8);
      sequence.palette.colors[k].b = uint8_t(indexed.colors[k]);
   }
   const int result = write_gif_sequence(path.c_str(), &sequence);
   destroy_bitmap(frame.bitmap);
   return result == 0 ? "" : "cannot be written";
}

// Below this coverage a sprite's pixel is left transparent; above, its
// colour is mixed with the backdrop's by the rest.
const float kEdgeCoverage = 0.5f;
// Sparks keep more of their glow.
const float kGlowCoverage = 0.3f;

struct ArtFile {
   const char *name;
   std::function<std::string(const std::string &path, const Layer &backdrop)> make;
};

std::string sprite(const std::string &path, const Layer &layer, float threshold)
{
   return write_gif(path, to_picture(layer, backdrop_matte(), threshold));
}

const std::vector<ArtFile> &art_files()
{
   static const std::vector<ArtFile> files = {
      {"texture.gif", [](const std::string &p, const Layer &b) { return sprite(p, b, 0); }},
      {"Loading.gif", [](const std::string &p, const Layer &) { return sprite(p, make_logo(), kEdgeCoverage); }},
      {"title-menu.gif",
       [](const std::string &p, const Layer &b) { return sprite(p, make_menu_banner(b), 0); }},
      {"title-hs.gif", [](const std::string &p, const Layer &b) { return sprite(p, make_scores_banner(b), 0); }},
      {"ball-red.gif",
       [](const std::string &p, const Layer &) { return sprite(p, make_ball({255, 0, 0}), kEdgeCoverage); }},
      {"ball-green.gif",
       [](const std::string &p, const Layer &) { return sprite(p, make_ball({0, 255, 0}), kEdgeCoverage); }},
      {"ball-blue.gif",
       [](const std::string &p, const Layer &) { return sprite(p, make_ball({0, 0, 255}), kEdgeCoverage); }},
      {"hand.gif", [](const std::string &p, const Layer &) { return sprite(p, make_hand(), kEdgeCoverage); }},
      {"Character.gif",
       [](const std::string &p, const Layer &) { return sprite(p, make_character(), kEdgeCoverage); }},
      {"particle.gif",
       [](const std::string &p, const Layer &) { return sprite(p, make_particle(), kGlowCoverage); }},
      {"scores_20.pcx", [](const std::string &p, const Layer &) { return write_font(p, 20); }},
      {"menufont_22.pcx", [](const std::string &p, const Layer &) { return write_font(p, 22); }},
   };
   return files;
}

}  // namespace

const std::vector<std::string> &art_file_names()
{
   static const std::vector<std::string> names = [] {
      std::vector<std::string> list;
      for (const ArtFile &f : art_files())
         list.push_back(f.name);
      return list;
   }();
   return names;
}

std::string make_art(const std::string &folder)
{
   std::error_code error;
   std::filesystem::create_directories(folder, error);
   if (error)
      return folder + ": " + error.message();
   try {
      const Layer backdrop = make_backdrop();
      for (const ArtFile &f : art_files()) {
         const std::string error = f.make(folder + "/" + f.name, backdrop);
         if (!error.empty())
            return folder + "/" + f.name + ": " + error;
      }
      return "";
   } catch (const std::exception &e) {
      return e.what();
   }
}
