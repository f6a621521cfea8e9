// The captures: where they go and their names, after the XDG rules and
// never over a file; the part of a game a clip holds, as its process is
// asked for it; the ticks after which an export takes its frames.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "app/captures_folder.h"
#include "app/clip.h"
#include "app/command_line.h"
#include "app/replay_export.h"
#include "files/replacement_file.h"
#include "support/scratch.h"
#include "support/variable.h"

namespace {

TEST(Captures, GoToThePicturesFolderUnderNamesOfTheirTime)
{
   // The pictures folder as xdg-user-dir reports it, from user-dirs.dirs.
   const struct {
      const char *userDirs, *home, *pictures;
   } folders[] = {
      {"", "/home/p", "/home/p/Pictures"},
      {"# written by xdg-user-dirs-update\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n", "/home/p",
       "/home/p/Bilder"},
      {"XDG_PICTURES_DIR=\"/srv/pics\"\nXDG_PICTURES_DIR=\"$HOME/Last\"", "/home/p",
       "/home/p/Last"},
      {"  XDG_PICTURES_DIR=\"$HOME/My \\\"Shots\\\"\" # spaces kept", "/home/p",
       "/home/p/My \"Shots\""},
      {"XDG_PICTURES_DIR=$HOME/Unquoted\n", "/home/p", "/home/p/Unquoted"},
      {"XDG_PICTURES_DIR=\"$HOME\"\n", "/home/p", "/home/p"},
      {"XDG_PICTURES_DIR=\"relative\"\nXDG_PICTURES_DIR=\"$HOMER/x\"\n", "/home/p",
       "/home/p/Pictures"},
      {"XDG_DESKTOP_DIR=\"/desk\"\n#XDG_PICTURES_DIR=\"/no\"\n", "/home/p", "/home/p/Pictures"},
      {"XDG_PICTURES_DIR=\"/srv/pics\"\n", "", "/srv/pics"},
      {"", "", ""},
   };
   for (const auto &f : folders)
      EXPECT_EQ(picturesFolder(f.userDirs, f.home), f.pictures) << f.userDirs;

   const Scratch scratch;
   std::filesystem::create_directories(scratch.path("config"));
   const Variable config("XDG_CONFIG_HOME", scratch.path("config").c_str());
   const Variable home("HOME", "/home/p");
   EXPECT_EQ(capturesFolder(""), "/home/p/Pictures/Tossaro");
   const std::string pix = "XDG_PICTURES_DIR=/pix\n";
   scratch.write("config/user-dirs.dirs", std::vector<unsigned char>(pix.begin(), pix.end()));
   EXPECT_EQ(capturesFolder(""), "/pix/Tossaro");
   EXPECT_EQ(capturesFolder("shots"), "shots");
   EXPECT_EQ(capturesFolder("~/shots"), "/home/p/shots");

   // Local time; a clip says so; the later ones of a second are numbered.
   const Variable zone("TZ", "UTC");
   tzset();
   const time_t when = 1796665512;  // 2026-12-07 17:45:12 UTC
   EXPECT_EQ(captureName(when, false, 1), "tossaro-2026-12-07-174512.gif");
   EXPECT_EQ(captureName(when, true, 1), "tossaro-2026-12-07-174512-clip.gif");
   EXPECT_EQ(captureName(when, false, 3), "tossaro-2026-12-07-174512-3.gif");
   // A name is chosen, not made (its writer makes it); once written, or
   // while being written through its hidden temporary, it is taken.
   const std::string folder = scratch.path("made/here");
   const struct {
      const char *name;
      bool whole;  // written, else being written
   } taken[] = {{"tossaro-2026-12-07-174512.gif", true},
                {"tossaro-2026-12-07-174512-2.gif", false},
                {"tossaro-2026-12-07-174512-3.gif", true},
                {"tossaro-2026-12-07-174512-clip.gif", false}};
   for (const auto &t : taken) {
      const std::string name = t.name;
      const CaptureFile file = chooseCaptureFile(folder, when, name.find("clip") != name.npos);
      EXPECT_EQ(file.path, folder + "/" + name);
      EXPECT_EQ(file.problem, "");
      EXPECT_FALSE(file_exists(file.path));
      scratch.write("made/here/" + (t.whole ? name : replacement_prefix(name) + "Xy12Z9"), {'G'});
   }
   EXPECT_EQ(chooseCaptureFile(folder, when, true).path,
             folder + "/tossaro-2026-12-07-174512-clip-2.gif");
   // A folder that cannot be made, and no folder at all.
   const std::string inFile = folder + "/" + taken[0].name + "/in";
   EXPECT_EQ(chooseCaptureFile(inFile, when, false).problem,
             inFile + ": cannot reach the folder: Not a directory");
   EXPECT_EQ(chooseCaptureFile("", when, false).problem,
             "no folder for captures (no home folder): give --captures DIR");
}

TEST(Captures, AClipHoldsTheLastSecondsAndAnExportAFrameAfterEachStep)
{
   // A game so far of `ticks` (the quit prompt's are none of them).
   const struct {
      uint32_t ticks;
      int seconds;
      uint32_t from;
   } clips[] = {{1, 10, 0},         {999, 10, 0},       {1000, 10, 0},  {1001, 10, 1},
                {31234, 10, 30234}, {31234, 60, 25234}, {5000, 1, 4900}};
   // Its process is asked for that part: from its first tick to the end of
   // the replay it is given, which ends with the clip.
   for (const auto &c : clips) {
      const ClipPart part = clipPart(c.ticks, c.seconds);
      EXPECT_EQ(part.from, c.from) << c.ticks << " " << c.seconds;
      EXPECT_EQ(part.to, c.ticks);
      const std::vector<std::string> command = clipCommand("tossaro", "r.rpl", "c.gif", part, true);
      std::vector<const char *> argv;
      for (const std::string &word : command)
         argv.push_back(word.c_str());
      const CommandLine line = parseCommandLine(int(argv.size()), argv.data());
      ASSERT_EQ(line.request, Request::Play) << line.mistake;
      EXPECT_EQ(line.options.fromTick, int(c.from)) << c.ticks << " " << c.seconds;
      EXPECT_EQ(line.options.toTick, -1);
      EXPECT_EQ(line.options.replayFile, "r.rpl");
      EXPECT_EQ(line.options.gifFile, "c.gif");
   }
   // The ticks after which frames are taken: the first a step in, the last
   // at the end where the steps meet it; each frame shown until the next
   // one's tick (at 30 a second, frames after ticks 3, 6, 10 and 13 are
   // shown 3, 4 and 3 hundredths).
   const struct {
      uint32_t from, to;
      int fps;
      uint32_t count;
      uint32_t first, last;
      std::vector<int> shown;  // the first frames' delays, in hundredths
   } exports[] = {{0, 1000, 50, 500, 2, 1000, {2, 2, 2}},
                  {30234, 31234, 50, 500, 30236, 31234, {2, 2}},
                  {0, 1001, 50, 500, 2, 1000, {2}},
                  {0, 1000, 25, 250, 4, 1000, {4, 4}},
                  {0, 100, 30, 30, 3, 100, {3, 4, 3}},
                  {0, 1, 50, 0, 0, 0, {}},
                  {7, 9, 50, 1, 9, 9, {2}}};
   for (const auto &e : exports) {
      const ExportFrames frames{e.from, e.to, e.fps};
      ASSERT_EQ(frames.count(), e.count) << e.from << " " << e.to << " " << e.fps;
      if (e.count) {
         EXPECT_EQ(frames.tick(1), e.first);
         EXPECT_EQ(frames.tick(frames.count()), e.last);
      }
      for (size_t k = 0; k < e.shown.size(); k++)
         EXPECT_EQ(frames.shown(uint32_t(k + 1)), e.shown[k]) << e.fps << " frame " << k + 1;
   }
}

}  // namespace
