// The game's sound effects, one for each file of the game's list, each
// made from notes and noise by a recipe of its own, and written as WAV
// files.
#ifndef TOSSARO_TOOLS_SOUND_SET_H
#define TOSSARO_TOOLS_SOUND_SET_H

#include <string>

// Writes every effect into `folder`. Returns an empty string, or what
// failed.
std::string make_sounds(const std::string &folder);

#endif
