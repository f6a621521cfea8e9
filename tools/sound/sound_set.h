// The game's sound effects, each made from notes and noise by a recipe of
// its own, and written as WAV files.
#ifndef TOSSARO_TOOLS_SOUND_SET_H
#define TOSSARO_TOOLS_SOUND_SET_H

#include <string>
#include <vector>

#include "synth.h"

// The names of the files make_sounds writes, in its order.
std::vector<std::string> sound_file_names();

// The samples of one effect, by file name; empty for a name not in the set.
Track make_sound(const std::string &name);

// Writes every effect into `folder`. Returns an empty string, or what
// failed.
std::string make_sounds(const std::string &folder);

#endif
