// Every image and font of the game, written into one folder.
#ifndef TOSSARO_TOOLS_ART_FILES_H
#define TOSSARO_TOOLS_ART_FILES_H

#include <string>
#include <vector>

// The names of the files make_art writes, in the order it writes them.
const std::vector<std::string> &art_file_names();

// Draws and writes every file into `folder`, made when missing. Needs
// Allegro installed (no display). The same inputs always give the same
// bytes. Returns an empty string, or the first failure.
std::string make_art(const std::string &folder);

#endif
