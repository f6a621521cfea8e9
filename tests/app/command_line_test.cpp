// The command line: options and their values, --help, --version, and the
// one-line mistakes with exit status 2.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

CommandLine parse(std::vector<const char *> args)
{
   args.insert(args.begin(), "tossaro");
   return parseCommandLine(int(args.size()), args.data());
}

std::string contents(FILE *file)
{
   rewind(file);
   std::string text;
   for (int c; (c = fgetc(file)) != EOF;)
      text += char(c);
   fclose(file);
   return text;
}

struct Answer {
   int status;
   std::string out, err;
};

Answer answer(const CommandLine &line)
{
   FILE *out = tmpfile();
   FILE *err = tmpfile();
   const int status = answerCommandLine(line, out, err);
   return {status, contents(out), contents(err)};
}

TEST(CommandLine, OptionsAndTheirValues)
{
   struct Case {
      std::vector<const char *> args;
      int scale;
      bool fullscreen;
      int maxFps;
      bool mute = false;
      int volume = 80;
   };
   const Case cases[] = {
      {{}, 1, false, 0},
      {{"--scale", "2"}, 2, false, 0},
      {{"--scale=4"}, 4, false, 0},
      {{"--scale", "auto"}, kAutoScale, false, 0},
      {{"--fullscreen"}, 1, true, 0},
      {{"--max-fps", "60"}, 1, false, 60},
      {{"--max-fps=1000", "--scale", "3", "--fullscreen"}, 3, true, 1000},
      {{"--scale", "2", "--scale", "1"}, 1, false, 0},
      {{"--mute"}, 1, false, 0, true},
      {{"--volume", "0"}, 1, false, 0, false, 0},
      {{"--volume=100", "--mute", "--fullscreen"}, 1, true, 0, true, 100},
   };
   for (const Case &c : cases) {
      const CommandLine line = parse(c.args);
      EXPECT_EQ(line.request, Request::Play) << line.mistake;
      EXPECT_EQ(line.options.scale, c.scale);
      EXPECT_EQ(line.options.fullscreen, c.fullscreen);
      EXPECT_EQ(line.options.maxFps, c.maxFps);
      EXPECT_EQ(line.options.mute, c.mute);
      EXPECT_EQ(line.options.volume, c.volume);
   }
   EXPECT_EQ(parse({}).options.scoresFile, "");
   EXPECT_EQ(parse({"--scores", "my table.bin"}).options.scoresFile, "my table.bin");
}

TEST(CommandLine, MistakesNameTheOptionOrValue)
{
   struct Case {
      std::vector<const char *> args;
      const char *mistake;
   };
   const Case cases[] = {
      {{"--sacle", "2"}, "unknown option --sacle"},
      {{"play"}, "unknown option play"},
      {{"-h"}, "unknown option -h"},
      {{"--fullscreen=yes"}, "unknown option --fullscreen=yes"},
      {{"--scale"}, "--scale needs a value"},
      {{"--fullscreen", "--max-fps"}, "--max-fps needs a value"},
      {{"--scale", "0"}, "bad value for --scale: '0' (1 to 4, or auto)"},
      {{"--scale", "5"}, "bad value for --scale: '5' (1 to 4, or auto)"},
      {{"--scale=2x"}, "bad value for --scale: '2x' (1 to 4, or auto)"},
      {{"--scale="}, "bad value for --scale: '' (1 to 4, or auto)"},
      {{"--max-fps", "-5"}, "bad value for --max-fps: '-5' (1 to 1000)"},
      {{"--max-fps", "1001"}, "bad value for --max-fps: '1001' (1 to 1000)"},
      {{"--max-fps", "99999999999999999999"},
       "bad value for --max-fps: '99999999999999999999' (1 to 1000)"},
      {{"--scale", "7", "--help"}, "bad value for --scale: '7' (1 to 4, or auto)"},
      {{"--mute=yes"}, "unknown option --mute=yes"},
      {{"--volume"}, "--volume needs a value"},
      {{"--volume", "101"}, "bad value for --volume: '101' (0 to 100)"},
      {{"--volume=-1"}, "bad value for --volume: '-1' (0 to 100)"},
      {{"--scores="}, "--scores needs a file name"},
      {{"--scores"}, "--scores needs a value"},
   };
   for (const Case &c : cases) {
      const CommandLine line = parse(c.args);
      EXPECT_EQ(line.request, Request::Mistake) << c.mistake;
      EXPECT_EQ(line.mistake, c.mistake);
   }
}

TEST(CommandLine, HelpAndVersionWinOverWhatFollows)
{
   EXPECT_EQ(parse({"--help", "--bogus"}).request, Request::Help);
   EXPECT_EQ(parse({"--scale", "2", "--version"}).request, Request::Version);
}

TEST(CommandLine, Answers)
{
   const Answer help = answer(parse({"--help"}));
   EXPECT_EQ(help.status, 0);
   EXPECT_EQ(help.err, "");
   for (const char *part : {"usage: tossaro", "--scale N|auto", "--fullscreen", "--max-fps N",
                            "--mute", "--volume N", "M mute", "sounds/",
                            "--help", "--version", "Esc", "Up/Down", "A/D",
                            "hiscores.bin there", "$XDG_DATA_HOME/tossaro/hiscores.bin",
                            "--scores FILE", "exit status", "game controller",
                            "gamecontrollerdb.txt"})
      EXPECT_NE(help.out.find(part), std::string::npos) << part;

   const Answer version = answer(parse({"--version"}));
   EXPECT_EQ(version.status, 0);
   EXPECT_EQ(version.out, "tossaro " TOSSARO_PROJECT_VERSION "\n");

   const Answer mistake = answer(parse({"--max-fps", "fast"}));
   EXPECT_EQ(mistake.status, 2);
   EXPECT_EQ(mistake.out, "");
   const std::string usage = help.out.substr(0, help.out.find("\n\n") + 1);
   EXPECT_EQ(mistake.err, "tossaro: bad value for --max-fps: 'fast' (1 to 1000)\n" + usage);

   // An answer that cannot be written is no success.
   for (const char *request : {"--help", "--version"}) {
      FILE *full = fopen("/dev/full", "w");
      ASSERT_NE(full, nullptr);
      FILE *err = tmpfile();
      EXPECT_EQ(answerCommandLine(parse({request}), full, err), 1) << request;
      fclose(full);
      EXPECT_EQ(contents(err), "tossaro: cannot write the answer: No space left on device\n");
   }
}

}  // namespace
