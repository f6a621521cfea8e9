// Portable Arbitrary Map output for composed pictures.
#ifndef TOSSARO_TOOLS_PAM_H
#define TOSSARO_TOOLS_PAM_H

#include <allegro.h>

#include <string>

// Writes a 32-bit bitmap as a PAM file (TUPLTYPE RGB_ALPHA, 8 bits per
// sample): mask-colour pixels become alpha 0 and colour 0, all others
// alpha 255. The file appears whole under its name or not at all. Returns
// an empty string, or the reason it could not be written.
std::string write_pam(const char *filename, BITMAP *bitmap);

#endif
