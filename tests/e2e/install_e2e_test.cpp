// The game as installed under a prefix: started in a folder of the
// player's that holds a graphics/ of its own, it finds its art beside the
// program and keeps its table in the player's data folder, writing
// nothing where it was started; its window carries the class its menu
// entry names and the game's icon.
#include <sys/stat.h>

#include <filesystem>
#include <iterator>

#include "files/netpbm_file.h"
#include "game_fixture.h"
#include "support/shell_command.h"

namespace {

// What xprop says of the window's properties.
std::string xprop(const XServer &server, unsigned long window, const std::string &arguments)
{
   std::string text;
   run("env DISPLAY=" + server.display() + " xprop -id " + std::to_string(window) + " " + arguments,
       &text);
   return text;
}

using InstalledTest = GameTest;

TEST_F(InstalledTest, RunsFromAnyFolderAndKeepsItsTableInTheDataFolder)
{
   const Art art;
   const std::string home = scratch.path("home"), data = scratch.path("data");
   std::filesystem::create_directories(home + "/graphics");
   scratch.write("home/graphics/holiday.gif", {'G', 'I', 'F'});
   GameRun game(server, TOSSARO_INSTALLED_GAME, home, {}, {}, {"XDG_DATA_HOME=" + data});
   ASSERT_NE(game.window(), 0u) << game.output();
   ASSERT_TRUE(reach_menu(game, art)) << "no menu";

   EXPECT_EQ(xprop(server, game.window(), "WM_CLASS"),
             "WM_CLASS(STRING) = \"tossaro\", \"Tossaro\"\n");
   // The icon at 48 and 64 pixels, as the art's pictures hold them: for
   // each its size, then its pixels.
   std::string icons;
   for (const char *name : {"icon-48.pam", "icon-64.pam"}) {
      Picture icon;
      ASSERT_EQ(read_netpbm(read_file(kGraphics + "/" + name), &icon), "") << name;
      icons += ", " + std::to_string(icon.w) + ", " + std::to_string(icon.h);
      for (uint32_t pixel : icon.pixels)
         icons += ", " + std::to_string(pixel);
   }
   EXPECT_TRUE(xprop(server, game.window(), "-notype -f _NET_WM_ICON 32c ' $0+' _NET_WM_ICON") ==
               "_NET_WM_ICON " + icons.substr(2));
   press_until_ended(game, "Escape", 100);
   EXPECT_EQ(game.wait(), 0);
   EXPECT_EQ(game.output(), "");
   EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(home), {}), 2);
   EXPECT_EQ(read_file(data + "/tossaro/hiscores.bin").size(), 1040u);
   struct stat st;
   ASSERT_EQ(stat((data + "/tossaro").c_str(), &st), 0);
   EXPECT_EQ(st.st_mode & 0777, 0700u);
}

}  // namespace
