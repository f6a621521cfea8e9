#include "app/settings.h"

#include <allegro.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "app/data_folder.h"
#include "app/shown_text.h"
#include "files/input_file.h"
#include "files/paths.h"
#include "files/replacement_file.h"
#include "files/say.h"

namespace {

const char kByteOrderMark[] = "\xef\xbb\xbf";


// Reads a file's text a line at a time through the library's
// configuration routines: on a whole file they take time that grows with
// the square of its entries, and a line at a time each entry keeps its
// line's number for what is said about it.
class SettingsReader {
public:
   SettingsReader(const std::string &path, Options *options, std::vector<std::string> *problems)
       : path_(path), options_(options), problems_(problems), givenOn_(optionTable().size(), 0)
   {
   }

   void readLine(const std::string &line)
   {
      at_ = path_ + ":" + std::to_string(++number_) + ": ";
      // Such a line would lead the library's reader astray: its decoder
      // takes the newline and the next line into the broken character.
      if (!is_utf8(line)) {
         problems_->push_back(at_ + "not UTF-8 text; the line is left out");
         return;
      }
      // The library stops at a NUL; what follows it is still part of the
      // value, which no entry takes.
      const size_t nul = std::min(line.find('\0'), line.size());
      afterNul_ = line.substr(nul);
      afterNul_.erase(afterNul_.find_last_not_of(" \t") + 1);
      set_config_data(line.data(), int(nul));
      readEntries(nullptr);
      // A [section] header is listed as the library's section.
      const char **headers = nullptr;
      const int count = list_config_sections(&headers);
      for (int i = 0; i < count; i++) {
         section_ = headers[i];
         readEntries(headers[i]);
      }
      free_config_entries(&headers);
   }

private:
   void readEntries(const char *section)
   {
      const char **names = nullptr;
      const int count = list_config_entries(section, &names);
      for (int i = 0; i < count; i++) {
         const char *value = get_config_string(section, names[i], nullptr);
         readEntry(names[i], (value ? value : "") + afterNul_);
      }
      free_config_entries(&names);
   }

   void readEntry(const std::string &name, const std::string &value)
   {
      const Option *option = settingsEntry(name);
      const std::string said = at_ + name + " = " + value + ": ";
      const std::string stays =
         option ? entryName(*option) + " stays " + valueText(*option, *options_) : "";
      if (!section_.empty()) {
         problems_->push_back(said + "left out, as it is under " + section_ +
                              " and the settings have no sections" + (option ? "; " + stays : ""));
         return;
      }
      if (!option) {
         problems_->push_back(said + "no such setting; left out");
         return;
      }
      int &givenOn = givenOn_[size_t(option - optionTable().data())];
      if (givenOn) {
         problems_->push_back(said + "left out, as line " + std::to_string(givenOn) + " gives " +
                              entryName(*option) + " already; " + stays);
         return;
      }
      givenOn = number_;
      if (!setOption(options_, *option, value))
         problems_->push_back(said + "not " + acceptedValues(*option) + "; the default is kept");
   }

   const std::string path_;  // as messages show it
   Options *options_;
   std::vector<std::string> *problems_;
   std::vector<int> givenOn_;  // the line that gave each option first, or 0
   int number_ = 0;  // the line's
   std::string at_;  // "path:line: "
   std::string afterNul_;  // the line's bytes from a NUL on
   std::string section_;  // the last [section] header; all below it is left out
};

}  // namespace

std::string settingsFile()
{
   return userFile("XDG_CONFIG_HOME", ".config", "tossaro.cfg");
}

namespace {

// Reads the settings of `text` (a file's, named `path` in what is said)
// into `options`, saying what is left out in `problems`.
void readSettingsText(std::string text, const std::string &path, Options *options,
                      std::vector<std::string> *problems)
{
   if (text.compare(0, 3, kByteOrderMark) == 0)
      text.erase(0, 3);
   if (text.empty())
      return;
   // The configuration routines need the library; without a system
   // driver it opens no display.
   const bool ours = !system_driver;
   if (ours && install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
      problems->push_back(path + ": cannot start the library to read it; the defaults are used");
      return;
   }
   push_config_state();
   SettingsReader reader(path, options, problems);
   // The library ends a line at a carriage return too, so a line of ours
   // ends there as well (a CR LF pair ends one): else one line could hold
   // thousands of entries, and the time of reading them would grow with
   // the square of their number.
   for (size_t from = 0, to; from < text.size(); from = to + 1) {
      to = std::min(text.find_first_of("\r\n", from), text.size());
      reader.readLine(text.substr(from, to - from));
      if (text.compare(to, 2, "\r\n") == 0)
         to++;
   }
   pop_config_state();
   if (ours)
      allegro_exit();
}

}  // namespace

SettingsRead readSettings(const std::string &path, Options *options)
{
   SettingsRead read;
   const InputFile file = read_input_file(path, kMostSettingsBytes);
   read.missing = file.missing;
   if (file.missing)
      return read;
   if (!file.problem.empty()) {
      read.problems.push_back(file.problem + "; the defaults are used");
      return read;
   }
   readSettingsText(std::string(file.bytes.begin(), file.bytes.end()), path, options,
                    &read.problems);
   // A file of thousands of bad lines is told by its first few.
   if (read.problems.size() > kSettingsProblemsSaid) {
      const size_t more = read.problems.size() - kSettingsProblemsSaid;
      read.problems.resize(kSettingsProblemsSaid);
      read.problems.push_back(path + ": and " + std::to_string(more) + " more line" +
                              (more == 1 ? "" : "s") + " like these");
   }
   return read;
}

std::string settingsText(const Options &options)
{
   std::string text = "# Tossaro's settings. The command line wins over them. Make this file\n"
                      "# again with: tossaro --write-config\n"
                      "\n";
   const Options defaults;
   bool keys = false;
   for (const Option &o : optionTable()) {
      if (o.place == OptionPlace::CommandLine)
         continue;
      if (!keys && o.kind == OptionKind::Key) {
         keys = true;
         text += "\n"
                 "# The keys of play, by name: A to Z, 0 to 9, F1 to F12, LEFT, RIGHT, UP, DOWN,\n"
                 "# SPACE, ESC, ENTER, TAB, the PAD keys and others. Two actions on one key\n"
                 "# both keep their defaults. The menus and the name entry keep their keys.\n";
      }
      std::string help = o.help;
      help[0] = char(toupper(static_cast<unsigned char>(help[0])));
      // A folder left to the game has no value to give: its line is a comment.
      const std::string byDefault = valueText(o, defaults), value = valueText(o, options);
      std::string values = o.kind == OptionKind::Key ? "" : acceptedValues(o);
      if (!byDefault.empty())
         values += (values.empty() ? "" : "; ") + std::string("default ") + byDefault;
      help += " (" + values + ").";
      text += wrapped("# ", "# ", help) + (value.empty() ? "# " : "") + entryName(o) + " = " +
              value + "\n";
   }
   return text;
}

namespace {

std::string refusal(const std::string &path, const Option &o, const Options &options)
{
   return path + " is not written: " + entryName(o) + " = '" + valueText(o, options) +
          "' would read back as another value (a line ends at a line break, and loses the "
          "blanks at either end); choose another";
}

// Why `text` may not be written for `options`, or an empty string. The
// file's lines have no quoting: a line ends at a line break, and the
// library drops the blanks at either end of a value, so a folder's name
// may not read back as itself. Such a name is refused rather than given a
// quoting of ours, which the files written before, and the library, would
// read as part of the name.
std::string unreadable(const std::string &text, const std::string &path, const Options &options)
{
   Options back;
   std::vector<std::string> unread;
   readSettingsText(text, path, &back, &unread);
   for (const Option &o : optionTable()) {
      if (o.place == OptionPlace::CommandLine || valueText(o, back) == valueText(o, options))
         continue;
      return refusal(path, o, options);
   }
   return std::string();
}

std::string writeText(const std::string &path, const std::string &text)
{
   const std::string folder = make_folder_of(path);
   if (!folder.empty())
      return folder;
   return replace_file(path, std::vector<unsigned char>(text.begin(), text.end()));
}

// The entry a line gives, as the reader takes it; "" for a comment, a
// blank line or anything else.
std::string entryOf(const std::string &line)
{
   const size_t start = line.find_first_not_of(" \t");
   const size_t equals = line.find('=');
   if (start == std::string::npos || line[start] == '#' || equals == std::string::npos ||
       equals < start)
      return std::string();
   std::string name = line.substr(start, equals - start);
   name.erase(name.find_last_not_of(" \t") + 1);
   return name;
}

}  // namespace

std::string writeSettings(const std::string &path, const Options &options)
{
   const std::string text = settingsText(options);
   const std::string refused = unreadable(text, path, options);
   return refused.empty() ? writeText(path, text) : refused;
}

std::string updateSettings(const std::string &path, const Options &before, const Options &after)
{
   const InputFile file = read_input_file(path, kMostSettingsBytes);
   if (!file.missing && !file.problem.empty())
      return file.problem + "; not written";
   std::vector<std::string> lines;
   const std::string old(file.bytes.begin(), file.bytes.end());
   for (size_t from = 0; from < old.size();) {
      const size_t end = std::min(old.find('\n', from), old.size());
      lines.push_back(old.substr(from, end - from));
      from = end + 1;
   }
   // Entries under a [section] header are not read: none is written there.
   size_t entries = lines.size();
   for (size_t i = 0; i < lines.size() && entries == lines.size(); i++) {
      const size_t start = lines[i].find_first_not_of(" \t");
      if (start != std::string::npos && lines[i][start] == '[')
         entries = i;
   }
   std::vector<std::string> added;
   for (const Option &o : optionTable()) {
      if (o.place == OptionPlace::CommandLine || valueText(o, before) == valueText(o, after))
         continue;
      const std::string line = entryName(o) + " = " + valueText(o, after);
      size_t at = 0;
      while (at < entries && entryOf(lines[at]) != entryName(o))
         at++;
      if (at == entries) {
         added.push_back(line);
         continue;
      }
      // The line keeps its carriage return, if it had one.
      const bool cr = !lines[at].empty() && lines[at].back() == '\r';
      lines[at] = line + (cr ? "\r" : "");
   }
   lines.insert(lines.begin() + long(entries), added.begin(), added.end());
   std::string text;
   for (const std::string &line : lines)
      text += line + "\n";
   // Each entry written must read back as itself.
   Options back;
   std::vector<std::string> unread;
   readSettingsText(text, path, &back, &unread);
   for (const Option &o : optionTable()) {
      if (o.place == OptionPlace::CommandLine || valueText(o, before) == valueText(o, after) ||
          valueText(o, back) == valueText(o, after))
         continue;
      return refusal(path, o, after);
   }
   return writeText(path, text);
}
