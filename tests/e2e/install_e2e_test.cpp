// The game as installed under a prefix: started in a folder of the
// player's that holds a graphics/ of its own, it finds its art beside the
// program and keeps its table in the player's data folder, writing
// nothing where it was started.
#include <sys/stat.h>

#include <filesystem>
#include <iterator>

#include "game_fixture.h"

namespace {

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
