#include "art_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <stdexcept>

#include "art_backdrop.h"
#include "art_fonts.h"
#include "art_icon.h"
#include "art_lettering.h"
#include "art_png.h"
#include "art_sprites.h"
#include "files/replacement_file.h"
#include "gifcodec/picture_gif.h"

namespace {

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
   return write_picture_gif(path.c_str(), to_picture(layer, backdrop_matte(), threshold));
}

// The window's icon at one size, with all of its alpha.
std::string window_icon(const std::string &path, int size)
{
   return replace_file(path, pam_bytes(make_icon(size)));
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
      {"marks.gif", [](const std::string &p, const Layer &) { return sprite(p, make_marks(), kEdgeCoverage); }},
      {"scores_20.pcx", [](const std::string &p, const Layer &) { return write_font(p, 20); }},
      {"menufont_22.pcx", [](const std::string &p, const Layer &) { return write_font(p, 22); }},
      {"icon-48.pam", [](const std::string &p, const Layer &) { return window_icon(p, 48); }},
      {"icon-64.pam", [](const std::string &p, const Layer &) { return window_icon(p, 64); }},
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

std::string save_whole(const std::string &path, BITMAP *bitmap, const RGB *palette,
                       int (*save)(const char *, BITMAP *, const RGB *))
{
   ReplacementFile file;
   if (open_replacement_file(path.c_str(), &file) < 0)
      return replacement_failure(file);
   // The saver writes the temporary file through its name.
   if (save(file.temporary.c_str(), bitmap, palette) != 0) {
      abandon_replacement_file(&file);
      return "cannot write " + file.temporary;
   }
   if (commit_replacement_file(&file) != 0)
      return "cannot put " + file.temporary + " in place: " + strerror(errno);
   return "";
}
