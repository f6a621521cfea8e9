// Paths: their parts, the file a chain of symbolic links stands for, and
// the folders a file needs made. Those that can fail return an empty
// string, or one line naming the path and why.
#ifndef TOSSARO_FILES_PATHS_H
#define TOSSARO_FILES_PATHS_H

#include <string>

// The folder that holds `path`: "." for a bare name, "/" for one at the root.
std::string folder_of(const std::string &path);

// The last part of `path`: what follows its last slash, or all of it.
std::string name_of(const std::string &path);

// Puts into *target the file that `name` stands for: symbolic links
// followed one at a time, so that a link to a file not yet made names
// where it will be. Returns an empty string, or, for a loop of links, one
// line naming `name` and saying so.
std::string follow_links(const std::string &name, std::string *target);

// Makes the folder of `path` and those above it that are missing, private
// to the user. Returns an empty string, or one line naming the folder that
// could not be made or reached and why.
std::string make_folder_of(const std::string &path);

#endif
