// The command line: options and their values, --help, --version, and the
// one-line mistakes with exit status 2.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/settings.h"
#include "support/scratch.h"

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
      bool marks = false;
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
      // What the settings file turned on, the command line turns off.
      {{"--fullscreen", "--fullscreen=off"}, 1, false, 0},
      {{"--fullscreen=YES", "--mute=true", "--marks=1"}, 1, true, 0, true, 80, true},
      {{"--mute", "--mute=no", "--marks", "--marks=0"}, 1, false, 0},
      {{"--max-fps", "60", "--max-fps=off"}, 1, false, 0},
   };
   for (const Case &c : cases) {
      const CommandLine line = parse(c.args);
      EXPECT_EQ(line.request, Request::Play) << line.mistake;
      EXPECT_EQ(line.options.scale, c.scale);
      EXPECT_EQ(line.options.fullscreen, c.fullscreen);
      EXPECT_EQ(line.options.maxFps, c.maxFps);
      EXPECT_EQ(line.options.mute, c.mute);
      EXPECT_EQ(line.options.volume, c.volume);
      EXPECT_EQ(line.options.marks, c.marks);
   }
   EXPECT_EQ(parse({}).options.scoresFile, "");
   EXPECT_EQ(parse({"--scores", "my table.bin"}).options.scoresFile, "my table.bin");
   // Off by default; what the settings file names, --leaderboard=off undoes.
   EXPECT_EQ(parse({}).options.leaderboard, "");
   Options fromFile;
   fromFile.leaderboard = "https://example.org/board";
   const CommandLine undone = parseCommandLine(
      2, std::vector<const char *>{"tossaro", "--leaderboard=off"}.data(), fromFile);
   EXPECT_EQ(undone.request, Request::Play) << undone.mistake;
   EXPECT_EQ(undone.options.leaderboard, "");
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
      {{"--left_tilt_left=Q"}, "unknown option --left_tilt_left=Q"},
      {{"--sc\xe9le=2"}, "unknown option --sc\xe9le=2"},
      {{"--help=me"}, "--help takes no value"},
      {{"--write-config=yes"}, "--write-config takes no value"},
      {{"--scale"}, "--scale needs a value"},
      {{"--fullscreen", "--max-fps"}, "--max-fps needs a value"},
      {{"--scale", "0"}, "bad value for --scale: '0' (1 to 4, or auto)"},
      {{"--scale", "5"}, "bad value for --scale: '5' (1 to 4, or auto)"},
      {{"--scale=2x"}, "bad value for --scale: '2x' (1 to 4, or auto)"},
      {{"--scale="}, "bad value for --scale: '' (1 to 4, or auto)"},
      {{"--scale", "\xc2\x9bJ"}, "bad value for --scale: '\xc2\x9bJ' (1 to 4, or auto)"},
      {{"--max-fps", "-5"}, "bad value for --max-fps: '-5' (1 to 1000, or off)"},
      {{"--max-fps", "1001"}, "bad value for --max-fps: '1001' (1 to 1000, or off)"},
      {{"--max-fps", "99999999999999999999"},
       "bad value for --max-fps: '99999999999999999999' (1 to 1000, or off)"},
      {{"--scale", "7", "--help"}, "bad value for --scale: '7' (1 to 4, or auto)"},
      {{"--mute=maybe"}, "bad value for --mute: 'maybe' (on or off)"},
      {{"--fullscreen="}, "bad value for --fullscreen: '' (on or off)"},
      {{"--volume"}, "--volume needs a value"},
      {{"--volume", "101"}, "bad value for --volume: '101' (0 to 100)"},
      {{"--volume=-1"}, "bad value for --volume: '-1' (0 to 100)"},
      {{"--scores="}, "bad value for --scores: '' (a file name)"},
      {{"--scores"}, "--scores needs a value"},
      {{"--leaderboard", "example.org"},
       "bad value for --leaderboard: 'example.org' (an http:// or https:// address, or off)"},
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
   for (const char *part : {"usage: tossaro", "--scale N|auto", "--fullscreen",
                            "--mute", "--volume N", "M mute", "sounds/",
                            "--help", "--version", "Esc", "Up/Down", "A/D",
                            "hiscores.bin there", "$XDG_DATA_HOME/tossaro/hiscores.bin",
                            "--scores FILE", "exit status", "game controller",
                            "gamecontrollerdb.txt", "--max-fps N|off", "--mute=off",
                            "left_tilt_left", "(0 to 100; default 80)"})
      EXPECT_NE(help.out.find(part), std::string::npos) << part;

   const Answer version = answer(parse({"--version"}));
   EXPECT_EQ(version.status, 0);
   EXPECT_EQ(version.out, "tossaro " TOSSARO_PROJECT_VERSION "\n");

   const Answer mistake = answer(parse({"--max-fps", "fast"}));
   EXPECT_EQ(mistake.status, 2);
   EXPECT_EQ(mistake.out, "");
   const std::string usage = help.out.substr(0, help.out.find("\n\n") + 1);
   EXPECT_EQ(mistake.err, "tossaro: bad value for --max-fps: 'fast' (1 to 1000, or off)\n" + usage);
   // What came from outside cannot steer the terminal.
   EXPECT_EQ(answer(parse({"--\x1b[31m\\red\xe9"})).err,
             "tossaro: unknown option --\\x1b[31m\\\\red\\xe9\n" + usage);

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

// The text of a file of the source tree.
std::string sourceFile(const std::string &name)
{
   const std::vector<unsigned char> bytes = read_file(TOSSARO_SOURCE_DIR "/" + name);
   return std::string(bytes.begin(), bytes.end());
}

// The lines of `text` from the one that starts with `from` to the next
// that starts with `next`.
std::vector<std::string> linesOf(const std::string &text, const std::string &from,
                                 const std::string &next)
{
   std::vector<std::string> lines;
   bool in = false;
   for (size_t at = 0, end; at < text.size(); at = end + 1) {
      end = std::min(text.find('\n', at), text.size());
      const std::string line = text.substr(at, end - at);
      if (in && line.rfind(next, 0) == 0)
         break;
      in = in || line.rfind(from, 0) == 0;
      if (in)
         lines.push_back(line);
   }
   return lines;
}

// The option names --NAME in `text`, in their order, each once.
std::vector<std::string> optionNames(const std::string &text)
{
   std::vector<std::string> names;
   for (size_t at = text.find("--"); at != std::string::npos; at = text.find("--", at + 2)) {
      const size_t end = text.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", at + 2);
      const std::string name = text.substr(at + 2, end - at - 2);
      if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end())
         names.push_back(name);
   }
   return names;
}

// What `text` quotes as `code`, in its order.
std::vector<std::string> codeSpans(const std::string &text)
{
   std::vector<std::string> spans;
   for (size_t at = text.find('`'), end; at != std::string::npos; at = text.find('`', end + 1)) {
      end = text.find('`', at + 1);
      if (end == std::string::npos)
         break;
      spans.push_back(text.substr(at + 1, end - at - 1));
   }
   return spans;
}

// The words a part of the man page shows, one blank between lines: font
// macros give their arguments ("quoted" ones whole), joined by blanks for
// .B and .I and run together for .BR and the like; other requests part.
std::string roffText(const std::vector<std::string> &lines)
{
   std::string text;
   for (const std::string &line : lines) {
      std::string shown = line;
      if (line[0] == '.') {
         const std::string macro = line.substr(1, line.find(' ') - 1);
         std::vector<std::string> words;
         for (size_t at = macro.size() + 1; at < line.size();) {
            const bool quoted = line[at + 1] == '"';
            const size_t from = at + 1 + quoted;
            const size_t end = std::min(line.find(quoted ? '"' : ' ', from), line.size());
            words.push_back(line.substr(from, end - from));
            at = end + quoted;
         }
         shown.clear();
         for (const std::string &word : words)
            shown += (macro.size() == 1 && !shown.empty() ? " " : "") + word;
      }
      text += (text.empty() ? "" : " ") + shown;
   }
   for (size_t at; (at = text.find("\\-")) != std::string::npos;)
      text.replace(at, 2, "-");
   return text;
}

TEST(CommandLine, TheManPageAndTheReadmeShowTheTableOfOptions)
{
   const Options defaults;
   std::vector<std::string> options, entries;
   for (const Option &o : optionTable()) {
      if (o.place != OptionPlace::SettingsFile)
         options.push_back(o.name);
      if (o.place != OptionPlace::CommandLine)
         entries.push_back(entryName(o));
   }
   // What is said of an option's values: its range and its word, and its
   // default, which the README's settings give as (80), (`off`) or `A`.
   const auto values = [&](const Option &o, const std::string &byDefault) {
      std::vector<std::string> parts;
      if (o.kind == OptionKind::Number)
         parts.push_back(std::to_string(o.lo) + " to " + std::to_string(o.hi));
      if (o.word)
         parts.push_back(o.word);
      if (!byDefault.empty())
         parts.push_back(byDefault);
      return parts;
   };
   const auto byDefault = [&](const Option &o) { return valueText(o, defaults); };
   // The man page: a tagged paragraph for each option, in the table's order.
   std::string page;
   for (const std::string &line : linesOf(sourceFile("data/tossaro.6.in"), ".SH OPTIONS", ".SH "))
      page += line + "\n";
   for (size_t at; (at = page.find("\\-")) != std::string::npos;)
      page.replace(at, 2, "-");
   std::vector<std::string> tagged;
   for (size_t at = page.find(".TP\n"), end; at != std::string::npos; at = end) {
      end = page.find(".TP\n", at + 1);
      const std::string paragraph = page.substr(at, end - at);
      const std::string tag = paragraph.substr(4, paragraph.find('\n', 4) - 4);
      tagged.push_back(optionNames(tag).at(0));
      const Option *o = commandLineOption(tagged.back());
      ASSERT_NE(o, nullptr) << tag;
      EXPECT_NE(tag.find(o->value), std::string::npos) << tag;
      const bool hasDefault = o->kind == OptionKind::Number || o->kind == OptionKind::Switch;
      for (const std::string &part : values(*o, hasDefault ? "default " + byDefault(*o) : ""))
         EXPECT_NE(paragraph.find(part), std::string::npos) << paragraph << "lacks " << part;
   }
   EXPECT_EQ(tagged, options);

   // Its synopsis shows each option as the usage does, and its settings
   // each entry with the values it takes, and the limit of the file.
   const std::string manPage = sourceFile("data/tossaro.6.in");
   const std::string synopsis = roffText(linesOf(manPage, ".SH SYNOPSIS", ".SH "));
   for (const std::string &name : optionNames(synopsis))
      EXPECT_NE(commandLineOption(name), nullptr) << name;
   for (const std::string &name : options) {
      const Option &o = *commandLineOption(name);
      const std::string label = "--" + name + (*o.value ? std::string(" ") + o.value : "") +
                                (o.word ? std::string("|") + o.word : "");
      EXPECT_NE(synopsis.find(label), std::string::npos) << synopsis << " lacks " << label;
   }
   const std::string settings = roffText(linesOf(manPage, ".SH SETTINGS", ".SH "));
   for (const std::string &entry : entries) {
      const Option &o = *settingsEntry(entry);
      std::string said = entry;
      if (o.kind == OptionKind::Number || o.kind == OptionKind::Path)
         said += " (" + acceptedValues(o);
      EXPECT_NE(settings.find(said), std::string::npos) << settings << " lacks " << said;
   }
   EXPECT_NE(settings.find("(on or off)"), std::string::npos);
   EXPECT_NE(settings.find(std::to_string(kMostSettingsBytes >> 10) + " KiB"), std::string::npos);

   // The README: its table of options, and its table of the settings file.
   std::vector<std::string> rows;
   for (const std::string &line : linesOf(sourceFile("README.md"), "## Options", "## ")) {
      if (line.rfind("| `--", 0) == 0)
         rows.push_back(line);
   }
   std::string firstCells;
   for (const std::string &row : rows)
      firstCells += codeSpans(row).at(0) + "\n";
   EXPECT_EQ(optionNames(firstCells), options);
   for (const std::string &tag : options) {
      std::string said;
      for (const std::string &row : rows)
         said += optionNames(codeSpans(row).at(0)).at(0) == tag ? row : "";
      const Option &o = *commandLineOption(tag);
      const bool number = o.kind == OptionKind::Number;
      for (const std::string &part : values(o, number ? "default " + byDefault(o) : ""))
         EXPECT_NE(said.find(part), std::string::npos) << said << " lacks " << part;
   }
   std::vector<std::string> listed;
   for (const std::string &line : linesOf(sourceFile("README.md"), "## Settings", "## ")) {
      if (line.rfind("| `", 0) != 0)
         continue;
      for (const std::string &entry : codeSpans(line.substr(0, line.find(" | ", 2)))) {
         listed.push_back(entry);
         const Option *o = settingsEntry(entry);
         ASSERT_NE(o, nullptr) << entry;
         for (const std::string &part : values(*o, ""))
            EXPECT_NE(line.find(part), std::string::npos) << line << " lacks " << part;
         const std::string shown = byDefault(*o);
         EXPECT_TRUE(line.find("(" + shown) != std::string::npos ||
                     line.find("`" + shown + "`") != std::string::npos)
            << line << " lacks the default " << shown;
      }
   }
   std::sort(listed.begin(), listed.end());
   std::sort(entries.begin(), entries.end());
   EXPECT_EQ(listed, entries);
}

}  // namespace
