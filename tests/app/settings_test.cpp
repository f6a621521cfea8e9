// The settings file: its entries under the command line, bad values and
// unreadable files reported with the defaults kept, --write-config read
// back; and the play keys it binds, with their clashes.
#include <gtest/gtest.h>

#include <allegro.h>

#include "app/command_line.h"
#include "app/settings.h"
#include "shell/key_bindings.h"
#include "support/scratch.h"

namespace {

using namespace std::string_literals;

std::vector<unsigned char> bytesOf(const std::string &text)
{
   return std::vector<unsigned char>(text.begin(), text.end());
}

CommandLine parse(std::vector<const char *> args, const Options &base)
{
   args.insert(args.begin(), "tossaro");
   return parseCommandLine(int(args.size()), args.data(), base);
}

std::string write(const Scratch &scratch, const std::string &name, const std::string &text)
{
   return scratch.write(name, std::vector<unsigned char>(text.begin(), text.end()));
}

TEST(Settings, EntriesAreReadAndTheCommandLineWins)
{
   Scratch scratch;
   // A byte-order mark, as some editors write, before the first entry.
   const std::string path = write(scratch, "tossaro.cfg",
                                  "\xef\xbb\xbfscale = auto\n# mine\nmax_fps = 60\nvolume=25\n"
                                  "mute = yes\nMarks = On\nleft_power_up = i\nquit = f10\n");
   Options options;
   const SettingsRead read = readSettings(path, &options);
   EXPECT_EQ(read.problems, std::vector<std::string>());
   EXPECT_FALSE(read.missing);
   EXPECT_EQ(options.scale, kAutoScale);
   EXPECT_EQ(options.maxFps, 60);
   EXPECT_EQ(options.volume, 25);
   EXPECT_TRUE(options.mute);
   EXPECT_TRUE(options.marks);
   EXPECT_FALSE(options.fullscreen);
   EXPECT_EQ(options.keys.keys[LeftPowerUp], KEY_I);
   EXPECT_EQ(options.keys.keys[QuitGame], KEY_F10);
   EXPECT_EQ(options.keys.keys[LeftTiltLeft], KEY_A);

   const CommandLine line =
      parse({"--scale", "2", "--volume=70", "--mute=off", "--marks=no", "--max-fps=off"}, options);
   EXPECT_EQ(line.options.scale, 2);
   EXPECT_EQ(line.options.volume, 70);
   EXPECT_EQ(line.options.maxFps, 0);
   EXPECT_FALSE(line.options.mute);
   EXPECT_FALSE(line.options.marks);
   EXPECT_EQ(parse({"--config", "other.cfg"}, options).options.configFile, "other.cfg");

   // A missing file is no problem, and is told apart for --config.
   Options untouched;
   const SettingsRead missing = readSettings(scratch.path("missing.cfg"), &untouched);
   EXPECT_EQ(missing.problems, std::vector<std::string>());
   EXPECT_TRUE(missing.missing);
   EXPECT_EQ(untouched.scale, 1);
}

TEST(Settings, WhatIsLeftOutIsNamedAndTheRestRead)
{
   const struct {
      std::string text;
      std::vector<std::string> lines;  // each after the file's name
      int scale = 1;
      bool mute = true;  // the entry after the faults still counts
   } cases[] = {
      {"scale = 9\nmute = on\n", {":1: scale = 9: not 1 to 4, or auto; the default is kept"}},
      {"max_fps = 0\nmute = on\n", {":1: max_fps = 0: not 1 to 1000, or off; the default is kept"}},
      {"volume = loud\nmute = on\n", {":1: volume = loud: not 0 to 100; the default is kept"}},
      {"fullscreen = maybe\nmute = on\n",
       {":1: fullscreen = maybe: not on or off; the default is kept"}},
      {"left_power_up = Foo\nmute = on\n",
       {":1: left_power_up = Foo: not a key's name, such as A, F1, LEFT or SPACE; the default is "
        "kept"}},
      {"colour = blue\nmute = on\n", {":1: colour = blue: no such setting; left out"}},
      {"", {}, 1, false},
      // Bytes a terminal would act on are named as they are (the line on
      // the terminal escapes them); a NUL ends no value.
      {"volume = \x1b[2J\nmute = on\n",
       {":1: volume = \x1b[2J: not 0 to 100; the default is kept"}},
      {"volume = 1\0002\nmute = on\n"s,
       {":1: volume = 1\0002: not 0 to 100; the default is kept"s}},
      {"mute = on\0x\n"s, {":1: mute = on\0x: not on or off; the default is kept"s}, 1, false},
      // Latin-1 in a comment would take the next line with it.
      {"# caf\xe9\nmute = on\n", {":1: not UTF-8 text; the line is left out"}},
      // No folder's name holds a NUL.
      {"captures = /tmp/a\0b\nmute = on\n"s,
       {":1: captures = /tmp/a\0b: not a folder's name; the default is kept"s}},
      {"scale = 2\nScale = 3\nmute = on\n",
       {":2: Scale = 3: left out, as line 1 gives scale already; scale stays 2"},
       2},
      // A carriage return ends a line, as a CR LF pair does.
      {"scale = 2\rScale = 3\r\nmute = on\r\n",
       {":2: Scale = 3: left out, as line 1 gives scale already; scale stays 2"},
       2},
      {"mute = on\n[display]\nscale = 2\nlook = fine\n",
       {":3: scale = 2: left out, as it is under [display] and the settings have no sections; "
        "scale stays 1",
        ":4: look = fine: left out, as it is under [display] and the settings have no sections"}},
      {std::string(kMostSettingsBytes + 1, '#'),
       {": not read: 65537 bytes, more than the 65536 such a file may hold; the defaults are used"},
       1,
       false},
   };
   Scratch scratch;
   for (const auto &c : cases) {
      const std::string path = write(scratch, "bad.cfg", c.text);
      std::vector<std::string> lines;
      for (const std::string &line : c.lines)
         lines.push_back(path + line);
      Options options;
      EXPECT_EQ(readSettings(path, &options).problems, lines);
      EXPECT_EQ(options.scale, c.scale) << c.text;
      EXPECT_EQ(options.keys.keys[LeftPowerUp], KEY_W) << c.text;
      EXPECT_EQ(options.mute, c.mute) << c.text;
   }
   // A hostile file of thousands of bad entries is told in a few lines,
   // and its last entry still counts.
   std::string hostile;
   int bad = 0;
   for (; hostile.size() < kMostSettingsBytes - 20; bad++)
      hostile += "zoom = " + std::to_string(bad) + "\n";
   Options options;
   const std::vector<std::string> told =
      readSettings(write(scratch, "hostile.cfg", hostile + "mute = on\n"), &options).problems;
   ASSERT_EQ(told.size(), kSettingsProblemsSaid + 1);
   EXPECT_EQ(told[0], scratch.path("hostile.cfg") + ":1: zoom = 0: no such setting; left out");
   EXPECT_EQ(told.back(), scratch.path("hostile.cfg") + ": and " +
                             std::to_string(bad - int(kSettingsProblemsSaid)) +
                             " more lines like these");
   EXPECT_TRUE(options.mute);
   // A folder stands where the file should be.
   options = Options();
   const std::vector<std::string> lines = readSettings(scratch.path(""), &options).problems;
   ASSERT_EQ(lines.size(), 1u);
   EXPECT_NE(lines[0].find("a folder, not a file; the defaults are used"), std::string::npos)
      << lines[0];
}

TEST(Settings, WrittenSettingsReadBackTheSame)
{
   Scratch scratch;
   Options defaults, chosen;
   chosen.scale = 3;
   chosen.fullscreen = true;
   chosen.maxFps = 144;
   chosen.volume = 0;
   chosen.mute = true;
   chosen.marks = true;
   chosen.keys.keys[LeftTiltLeft] = KEY_Q;
   chosen.keys.keys[LeftPowerUp] = KEY_Z;
   chosen.keys.keys[NewGame] = KEY_ENTER_PAD;
   chosen.capturesFolder = "~/shots #2 = best\x1b[0m\xc2\xa0";
   const std::string path = scratch.path("config/tossaro/tossaro.cfg");
   for (const Options &o : {defaults, chosen}) {
      ASSERT_EQ(writeSettings(path, o), "");
      Options back;
      back.maxFps = 7;  // max_fps = off turns a cap off
      back.mute = !o.mute;
      EXPECT_EQ(readSettings(path, &back).problems, std::vector<std::string>());
      EXPECT_EQ(back.scale, o.scale);
      EXPECT_EQ(back.fullscreen, o.fullscreen);
      EXPECT_EQ(back.maxFps, o.maxFps);
      EXPECT_EQ(back.volume, o.volume);
      EXPECT_EQ(back.mute, o.mute);
      EXPECT_EQ(back.marks, o.marks);
      EXPECT_EQ(back.capturesFolder, o.capturesFolder);
      for (int a = 0; a < kPlayActions; a++)
         EXPECT_EQ(back.keys.keys[a], o.keys.keys[a]) << actionName(PlayAction(a));
   }
   // A folder's name that a line cannot hold as it is would read back as
   // another folder, or add an entry: it is refused in one line naming the
   // entry, and the file is left as it was.
   const std::vector<unsigned char> before = read_file(path);
   for (const std::string &folder : {"/tmp/a\nscale = 4"s, "/tmp/a\rscale = 4"s, " /tmp/a"s,
                                     "/tmp/a\t"s, "/tmp/a\0b"s, "/tmp/\xe9t\xe9"s}) {
      Options o;
      o.capturesFolder = folder;
      EXPECT_EQ(writeSettings(path, o),
                path + " is not written: captures = '" + folder +
                   "' would read back as another value (a line ends at a line break, and loses "
                   "the blanks at either end); choose another");
      EXPECT_EQ(read_file(path), before) << folder;
   }
}

TEST(Settings, AnUpdateChangesOnlyTheLinesOfItsEntriesAndAddsTheMissing)
{
   Scratch scratch;
   const std::string path = scratch.path("config/tossaro/tossaro.cfg");
   Options before, after;
   after.volume = 50;
   after.howToPlay = false;
   // No file: one is made with the changed entries alone.
   ASSERT_EQ(updateSettings(path, before, after), "");
   EXPECT_EQ(read_file(path), bytesOf("volume = 50\nhow_to_play = off\n"));
   // A player's file: the first line of an entry is changed, in place,
   // keeping its carriage return; the missing ones go after the last
   // entry, before a section (whose entries are never read); comments,
   // blanks, a second line of the entry and unknown entries stay.
   const std::string own = "# my volume\r\n  volume  =80 \r\nvolume = 10\nmystery = 1\n\n"
                           "[later]\nhow_to_play = on\n";
   scratch.write("config/tossaro/tossaro.cfg", bytesOf(own));
   ASSERT_EQ(updateSettings(path, before, after), "");
   EXPECT_EQ(read_file(path), bytesOf("# my volume\r\nvolume = 50\r\nvolume = 10\nmystery = 1\n"
                                      "\nhow_to_play = off\n[later]\nhow_to_play = on\n"));
   Options back;
   readSettings(path, &back);
   EXPECT_EQ(back.volume, 50);
   EXPECT_FALSE(back.howToPlay);
   // Nothing changed, nothing written; what would not read back, refused.
   const std::vector<unsigned char> kept = read_file(path);
   EXPECT_EQ(updateSettings(path, after, after), "");
   EXPECT_EQ(read_file(path), kept);
   Options odd = after;
   odd.capturesFolder = "/tmp/a\nscale = 4";
   EXPECT_NE(updateSettings(path, after, odd), "");
   EXPECT_EQ(read_file(path), kept);
}

TEST(Settings, TwoActionsOnOneKeyBothKeepTheirDefaults)
{
   const struct {
      std::vector<std::pair<PlayAction, int>> bound;
      std::vector<std::string> lines;
      std::vector<std::pair<PlayAction, int>> after;
   } cases[] = {
      {{{LeftTiltLeft, KEY_Q}, {RightPowerUp, KEY_M}, {LeftPowerDown, KEY_X}},
       {"left_tilt_left and quit are both on Q", "right_power_up and mute are both on M"},
       {{LeftTiltLeft, KEY_A}, {QuitGame, KEY_Q}, {RightPowerUp, KEY_UP}, {LeftPowerDown, KEY_X}}},
      // The default given back clashes in turn, until none does.
      {{{LeftTiltLeft, KEY_Q}, {LeftTiltRight, KEY_A}},
       {"left_tilt_left and quit are both on Q",
        "left_tilt_left and left_tilt_right are both on A"},
       {{LeftTiltLeft, KEY_A}, {LeftTiltRight, KEY_D}, {QuitGame, KEY_Q}}},
   };
   for (const auto &c : cases) {
      KeyBindings bindings = kDefaultBindings;
      for (const auto &[action, key] : c.bound)
         bindings.keys[action] = key;
      EXPECT_EQ(settleConflicts(&bindings), c.lines);
      for (const auto &[action, key] : c.after)
         EXPECT_EQ(bindings.keys[action], key) << actionName(action);
   }
   for (int k : {KEY_A, KEY_F1, KEY_LEFT, KEY_SPACE, KEY_5_PAD, KEY_STOP})
      EXPECT_EQ(keyOfName(keyName(k)), k) << keyName(k);
   EXPECT_EQ(keyOfName(""), -1);
}

}  // namespace
