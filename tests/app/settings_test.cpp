// The settings file: its entries under the command line, bad values and
// unreadable files reported with the defaults kept, --write-config read
// back; and the play keys it binds, with their clashes.
#include <gtest/gtest.h>

#include <allegro.h>

#include "app/command_line.h"
#include "app/key_bindings.h"
#include "app/settings.h"
#include "support/scratch.h"

namespace {

CommandLine parse(std::vector<const char *> args, const Options &base)
{
   args.insert(args.begin(), "tossaro");
   return parseCommandLine(int(args.size()), args.data(), base);
}

TEST(Settings, EntriesAreReadAndTheCommandLineWins)
{
   Scratch scratch;
   const std::string text = "# mine\nscale = auto\nmax_fps = 60\nvolume=25\nmute = yes\n"
                            "marks = on\nleft_power_up = i\nquit = f10\n";
   const std::string path =
      scratch.write("tossaro.cfg", std::vector<unsigned char>(text.begin(), text.end()));
   Options options;
   EXPECT_EQ(readSettings(path, &options), std::vector<std::string>());
   EXPECT_EQ(options.scale, kAutoScale);
   EXPECT_EQ(options.maxFps, 60);
   EXPECT_EQ(options.volume, 25);
   EXPECT_TRUE(options.mute);
   EXPECT_TRUE(options.marks);
   EXPECT_FALSE(options.fullscreen);
   EXPECT_EQ(options.keys.keys[LeftPowerUp], KEY_I);
   EXPECT_EQ(options.keys.keys[QuitGame], KEY_F10);
   EXPECT_EQ(options.keys.keys[LeftTiltLeft], KEY_A);

   const CommandLine line = parse({"--scale", "2", "--volume=70"}, options);
   EXPECT_EQ(line.options.scale, 2);
   EXPECT_EQ(line.options.volume, 70);
   EXPECT_EQ(line.options.maxFps, 60);
   EXPECT_EQ(parse({"--config", "other.cfg"}, options).configFile, "other.cfg");

   Options untouched;
   EXPECT_EQ(readSettings(scratch.path("missing.cfg"), &untouched), std::vector<std::string>());
   EXPECT_EQ(untouched.scale, 1);
}

TEST(Settings, BadValuesAndUnreadableFilesAreNamedAndTheDefaultsKept)
{
   const struct {
      const char *entry;
      const char *line;
   } cases[] = {
      {"scale = 9", "scale = 9: not 1 to 4, or auto; the default is kept"},
      {"max_fps = 0", "max_fps = 0: not 1 to 1000; the default is kept"},
      {"volume = loud", "volume = loud: not 0 to 100; the default is kept"},
      {"fullscreen = maybe", "fullscreen = maybe: not on or off; the default is kept"},
      {"left_power_up = Foo",
       "left_power_up = Foo: not a key's name, such as A, F1, LEFT or SPACE; the default is kept"},
      {"colour = blue", "colour = blue: no such setting; left out"},
   };
   Scratch scratch;
   for (const auto &c : cases) {
      const std::string text = std::string(c.entry) + "\nmute = on\n";
      const std::string path =
         scratch.write("bad.cfg", std::vector<unsigned char>(text.begin(), text.end()));
      Options options;
      const std::vector<std::string> lines = readSettings(path, &options);
      ASSERT_EQ(lines.size(), 1u) << c.entry;
      EXPECT_EQ(lines[0], path + ": " + c.line);
      EXPECT_EQ(options.scale, 1) << c.entry;
      EXPECT_EQ(options.keys.keys[LeftPowerUp], KEY_W) << c.entry;
      EXPECT_TRUE(options.mute) << "a good entry after a bad one still counts";
   }
   // A folder stands where the file should be.
   Options options;
   const std::vector<std::string> lines = readSettings(scratch.path(""), &options);
   ASSERT_EQ(lines.size(), 1u);
   EXPECT_NE(lines[0].find("cannot read it: Is a directory; the defaults are used"),
             std::string::npos)
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
   for (const Options &o : {defaults, chosen}) {
      const std::string path = scratch.path("config/tossaro/tossaro.cfg");
      ASSERT_EQ(writeSettings(path, o), "");
      Options back;
      back.maxFps = 7;  // a left-out max_fps leaves what was there
      EXPECT_EQ(readSettings(path, &back), std::vector<std::string>());
      EXPECT_EQ(back.scale, o.scale);
      EXPECT_EQ(back.fullscreen, o.fullscreen);
      EXPECT_EQ(back.maxFps, o.maxFps ? o.maxFps : 7);
      EXPECT_EQ(back.volume, o.volume);
      EXPECT_EQ(back.mute, o.mute);
      EXPECT_EQ(back.marks, o.marks);
      for (int a = 0; a < kPlayActions; a++)
         EXPECT_EQ(back.keys.keys[a], o.keys.keys[a]) << actionName(PlayAction(a));
   }
}

TEST(Settings, TwoActionsOnOneKeyBothKeepTheirDefaults)
{
   KeyBindings bindings = kDefaultBindings;
   bindings.keys[LeftTiltLeft] = KEY_Q;  // quit's key
   bindings.keys[RightPowerUp] = KEY_M;  // mute's key
   bindings.keys[LeftPowerDown] = KEY_X;
   const std::vector<std::string> lines = settleConflicts(&bindings);
   EXPECT_EQ(lines, (std::vector<std::string>{"left_tilt_left and quit are both on Q",
                                              "right_power_up and mute are both on M"}));
   EXPECT_EQ(bindings.keys[LeftTiltLeft], KEY_A);
   EXPECT_EQ(bindings.keys[QuitGame], KEY_Q);
   EXPECT_EQ(bindings.keys[RightPowerUp], KEY_UP);
   EXPECT_EQ(bindings.keys[LeftPowerDown], KEY_X);
   for (int k : {KEY_A, KEY_F1, KEY_LEFT, KEY_SPACE, KEY_5_PAD, KEY_STOP})
      EXPECT_EQ(keyOfName(keyName(k)), k) << keyName(k);
   EXPECT_EQ(keyOfName(""), -1);
}

}  // namespace
