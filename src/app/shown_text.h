// Text the game shows a player in its help: prose wrapped to the
// terminal's usual width.
#ifndef TOSSARO_APP_SHOWN_TEXT_H
#define TOSSARO_APP_SHOWN_TEXT_H

#include <string>
#include <vector>

// `words`, a blank between each, in lines of at most 78 columns (a longer
// word stands alone): the first line begins with `first`, the others
// with `indent`; each ends in a newline.
std::string wrapped(const std::string &first, const std::string &indent,
                    const std::vector<std::string> &words);

// The same for the words of `text`, which blanks part.
std::string wrapped(const std::string &first, const std::string &indent, const std::string &text);

// A count as prose writes it: a word from one to ten ("four"), digits
// otherwise.
std::string counted(int n);

#endif
