// Where the game looks: an installed copy only beside itself and in the
// player's folders, the working directory only for a program without
// installed data; the player's folders after the XDG rules.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>

#include "app/data_folder.h"
#include "app/settings.h"
#include "support/scratch.h"
#include "support/variable.h"

namespace {

TEST(PlayerFolders, FollowTheXdgRules)
{
   const std::string home = getpwuid(getuid())->pw_dir;
   // `under`: the home the folders are under; empty when the variable's
   // own folder is taken.
   const struct {
      const char *xdg, *home;
      std::string under;
   } cases[] = {
      {"/data", "/home/p", ""},
      {nullptr, "/home/p", "/home/p"},
      {"", "/home/p", "/home/p"},
      {"data", "/home/p", "/home/p"},
      {"./data", "/home/p", "/home/p"},
      {"/data", nullptr, ""},
      {nullptr, "", home},
      {"", nullptr, home},
      {nullptr, "relhome", home},
   };
   for (const auto &c : cases) {
      const Variable data("XDG_DATA_HOME", c.xdg), config("XDG_CONFIG_HOME", c.xdg);
      const Variable homeVariable("HOME", c.home);
      const std::string label =
         std::string(c.xdg ? c.xdg : "unset") + ", HOME " + (c.home ? c.home : "unset");
      const bool taken = c.under.empty();
      EXPECT_EQ(installedScoresFile(),
                (taken ? c.xdg : c.under + "/.local/share") + "/tossaro/hiscores.bin")
         << label;
      EXPECT_EQ(settingsFile(), (taken ? c.xdg : c.under + "/.config") + "/tossaro/tossaro.cfg")
         << label;
   }
   // No HOME and no entry in the password database: no home at all.
   uid_t stranger = 0x7ffffff0;
   while (getpwuid(stranger))
      stranger++;
   EXPECT_EQ(homeFolder(nullptr, stranger), "");
   EXPECT_EQ(homeFolder("", stranger), "");
   EXPECT_EQ(homeFolder("relhome", stranger), "");
   EXPECT_EQ(homeFolder("/home/p", stranger), "/home/p");
}

TEST(DataFolder, AnInstalledCopyNeverTakesTheWorkingDirectorysFiles)
{
   const Scratch scratch;
   const std::string program = scratch.path("usr/games/tossaro");
   const std::string installed = scratch.path("usr/share/games/tossaro");
   const std::string here = scratch.path("home");
   std::filesystem::create_directories(here + "/graphics");
   const Variable data("XDG_DATA_HOME", "/data");
   char was[PATH_MAX];
   ASSERT_NE(getcwd(was, sizeof was), nullptr);
   ASSERT_EQ(chdir(here.c_str()), 0);

   // A build tree: no data beside the program.
   DataFolder found = findDataFolder(program);
   EXPECT_EQ(found.prefix, "");
   EXPECT_EQ(found.scoresFile, "hiscores.bin");
   EXPECT_EQ(found.problem, "");

   std::filesystem::create_directories(installed + "/graphics");
   found = findDataFolder(program);
   EXPECT_EQ(found.prefix, installed + "/");
   EXPECT_EQ(found.scoresFile, "/data/tossaro/hiscores.bin");

   std::filesystem::remove_all(installed);
   std::filesystem::remove(here + "/graphics");
   found = findDataFolder(program);
   EXPECT_EQ(found.scoresFile, "");
   EXPECT_EQ(found.problem,
             "no graphics/ in " + installed + " nor in the working directory (" + here + ")");
   ASSERT_EQ(chdir(was), 0);
}

}  // namespace
