// The game's lines on the terminal. What they show came in part from
// outside (a file's name or bytes, the command line, the environment), so
// each is shown with what a terminal would act on escaped: whatever it
// names, it cannot steer the terminal.
#ifndef TOSSARO_FILES_SAY_H
#define TOSSARO_FILES_SAY_H

#include <cstdio>
#include <string>

// Whether `text` is whole UTF-8: no stray, overlong or surrogate
// sequences, nothing past U+10FFFF.
bool is_utf8(const std::string &text);

// `text` with what a terminal would act on escaped, as say() shows it:
// control bytes (NUL, ESC, DEL and the C1 controls), bytes that are not
// UTF-8 and the backslash itself as \xNN and \\.
std::string printable_text(const std::string &text);

// Writes "tossaro: ", `line` and a newline on `to`: the one way the
// game's lines reach a terminal. Control bytes (NUL, ESC, DEL and the C1
// controls), bytes that are not UTF-8 and the backslash itself are shown
// as \xNN and \\.
void say(const std::string &line, FILE *to = stderr);

// The same for another program of the game's: "PROGRAM: " and the line.
void say_as(const char *program, const std::string &line, FILE *to = stderr);

#endif
