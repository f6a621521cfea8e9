#include "art_icon.h"

#include <cmath>
#include <filesystem>

#include "art_backdrop.h"
#include "art_png.h"
#include "art_sprites.h"
#include "files/replacement_file.h"

namespace {

const char kAppId[] = "io.github.tossaro.Tossaro";
const Rgb kRim = {69, 63, 48};

}  // namespace

const std::vector<int> &icon_sizes()
{
   static const std::vector<int> sizes = {48, 64, 128, 256};
   return sizes;
}

Layer make_icon(int size)
{
   const float n = float(size);
   Canvas disc(size, size);
   disc.circle(n / 2, n / 2, n * 0.48f, kRim);
   disc.circle(n / 2, n / 2, n * 0.48f - std::max(1.5f, n / 40), backdrop_matte());
   Layer icon = disc.downsample();
   // The balls of the game at the corners of a throw: one at the top of
   // its flight, two in the hands.
   const int ball = int(std::lround(n * 0.34f));
   const struct {
      Rgb colour;
      float x, y;
   } balls[] = {
      {{255, 0, 0}, 0.5f, 0.30f}, {{0, 255, 0}, 0.28f, 0.65f}, {{0, 0, 255}, 0.72f, 0.65f}};
   for (const auto &b : balls)
      draw_layer(&icon, make_ball(b.colour, ball), int(std::lround(n * b.x - ball / 2.0f)),
                 int(std::lround(n * b.y - ball / 2.0f)));
   return icon;
}

std::string icon_file_name(int size)
{
   const std::string side = std::to_string(size);
   return "hicolor/" + side + "x" + side + "/apps/" + kAppId + ".png";
}

std::string make_icons(const std::string &folder)
{
   for (int size : icon_sizes()) {
      const std::string path = folder + "/" + icon_file_name(size);
      std::error_code made;
      std::filesystem::create_directories(std::filesystem::path(path).parent_path(), made);
      if (made)
         return path + ": cannot make its folder: " + made.message();
      const std::string error = replace_file(path, png_bytes(make_icon(size)));
      if (!error.empty())
         return error;
   }
   return std::string();
}
