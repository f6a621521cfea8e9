// Text the game shows a player in its messages and its help: what came
// from outside (a file, the command line) quoted so that it cannot steer
// the terminal, and prose wrapped to the terminal's usual width.
#ifndef TOSSARO_APP_SHOWN_TEXT_H
#define TOSSARO_APP_SHOWN_TEXT_H

#include <string>
#include <vector>

// Whether `text` is whole UTF-8: no stray, overlong or surrogate
// sequences, nothing past U+10FFFF.
bool isUtf8(const std::string &text);

// `text` with what a terminal would act on escaped: control bytes (NUL,
// ESC, DEL and the C1 controls), bytes that are not UTF-8, and the
// backslash itself, as \xNN and \\.
std::string printable(const std::string &text);

// `words`, a blank between each, in lines of at most 78 columns (a longer
// word stands alone): the first line begins with `first`, the others
// with `indent`; each ends in a newline.
std::string wrapped(const std::string &first, const std::string &indent,
                    const std::vector<std::string> &words);

// The same for the words of `text`, which blanks part.
std::string wrapped(const std::string &first, const std::string &indent, const std::string &text);

#endif
