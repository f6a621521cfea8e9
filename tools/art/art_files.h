// Every image and font of the game, written into one folder.
#ifndef TOSSARO_TOOLS_ART_FILES_H
#define TOSSARO_TOOLS_ART_FILES_H

#include <allegro.h>

#include <string>
#include <vector>

// The names of the files make_art writes, in the order it writes them.
const std::vector<std::string> &art_file_names();

// Draws and writes every file into `folder`, made when missing. Needs
// Allegro installed (no display). The same inputs always give the same
// bytes. Returns an empty string, or the first failure.
std::string make_art(const std::string &folder);

// Saves the bitmap with one of Allegro's savers (save_pcx, save_bmp) into
// a temporary file beside `path`, which then replaces the file whole.
// Returns an empty string, or the step that failed and why.
std::string save_whole(const std::string &path, BITMAP *bitmap, const RGB *palette,
                       int (*save)(const char *, BITMAP *, const RGB *));

#endif
