#include "app/shown_text.h"

#include <algorithm>
#include <iterator>

namespace {

const size_t kWidth = 78;

}  // namespace

std::string wrapped(const std::string &first, const std::string &indent,
                    const std::vector<std::string> &words)
{
   std::string out, line = first;
   bool empty = true;  // no word on `line` yet
   for (const std::string &word : words) {
      if (!empty && line.size() + 1 + word.size() > kWidth) {
         out += line + "\n";
         line = indent;
         empty = true;
      }
      line += (empty ? "" : " ") + word;
      empty = false;
   }
   return out + line + "\n";
}

std::string wrapped(const std::string &first, const std::string &indent, const std::string &text)
{
   std::vector<std::string> words;
   for (size_t from = 0, to; from < text.size(); from = to + 1) {
      to = std::min(text.find(' ', from), text.size());
      if (to > from)
         words.push_back(text.substr(from, to - from));
   }
   return wrapped(first, indent, words);
}

std::string counted(int n)
{
   static const char *const kWords[] = {"one", "two",   "three", "four", "five",
                                        "six", "seven", "eight", "nine", "ten"};
   return n >= 1 && n <= int(std::size(kWords)) ? kWords[n - 1] : std::to_string(n);
}
