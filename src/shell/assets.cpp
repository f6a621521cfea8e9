#include "shell/assets.h"

#include "gif/gif.h"
#include "shell/picture.h"

BITMAP *backBuffer = nullptr;
BITMAP *loadingLogo = nullptr;
BITMAP *texture = nullptr;
BITMAP *titleMenu = nullptr;
BITMAP *titleScores = nullptr;
BITMAP *ballRed = nullptr;
BITMAP *ballGreen = nullptr;
BITMAP *ballBlue = nullptr;
BITMAP *handImage = nullptr;
BITMAP *characterImage = nullptr;
BITMAP *particleImage = nullptr;
BITMAP *marksImage = nullptr;
FONT *scoresFont = nullptr;
FONT *menuFont = nullptr;
BITMAP *workBitmap = nullptr;

namespace {

const struct {
   BITMAP **role;
   const char *file;
} kImages[] = {
   {&loadingLogo, "graphics/Loading.gif"},
   {&texture, "graphics/texture.gif"},
   {&titleMenu, "graphics/title-menu.gif"},
   {&titleScores, "graphics/title-hs.gif"},
   {&ballRed, "graphics/ball-red.gif"},
   {&ballGreen, "graphics/ball-green.gif"},
   {&ballBlue, "graphics/ball-blue.gif"},
   {&handImage, "graphics/hand.gif"},
   {&characterImage, "graphics/Character.gif"},
   {&particleImage, "graphics/particle.gif"},
   {&marksImage, "graphics/marks.gif"},
};

const struct {
   FONT **role;
   const char *file;
} kFonts[] = {
   {&scoresFont, "graphics/scores_20.pcx"},
   {&menuFont, "graphics/menufont_22.pcx"},
};

template <typename T, typename Release>
void release(T *&handle, Release destroy)
{
   if (handle)
      destroy(handle);
   handle = nullptr;
}

}  // namespace

std::string loadAssets(const std::string &prefix)
{
   backBuffer = create_bitmap(kGameWidth, kGameHeight);
   if (!backBuffer)
      return "cannot create the back buffer";
   clear_bitmap(backBuffer);
   for (const auto &image : kImages) {
      const std::string path = prefix + image.file;
      *image.role = load_gif_bitmap(path.c_str(), nullptr);
      if (!*image.role) {
         freeAssets();
         return "cannot load " + path;
      }
   }
   for (const auto &f : kFonts) {
      const std::string path = prefix + f.file;
      *f.role = load_font(path.c_str(), nullptr, nullptr);
      if (!*f.role) {
         freeAssets();
         return "cannot load " + path;
      }
   }
   workBitmap = create_bitmap(180, 180);
   if (!workBitmap) {
      freeAssets();
      return "cannot create the work bitmap";
   }
   return std::string();
}

void freeAssets()
{
   // The logo and the two banners go before the backdrop, and the work
   // bitmap before the fonts.
   for (BITMAP **bitmap : {&backBuffer, &loadingLogo, &titleMenu, &titleScores, &texture,
                           &ballRed, &ballGreen, &ballBlue, &handImage, &characterImage,
                           &particleImage, &marksImage, &workBitmap})
      release(*bitmap, destroy_bitmap);
   release(scoresFont, destroy_font);
   release(menuFont, destroy_font);
}
