// The game's icon: the three balls of the game in flight over a caramel
// disc like the backdrop, at the sizes of the desktop's icon theme.
#ifndef TOSSARO_TOOLS_ART_ICON_H
#define TOSSARO_TOOLS_ART_ICON_H

#include <string>
#include <vector>

#include "art_image.h"

// The sizes the icon theme gets, in pixels.
const std::vector<int> &icon_sizes();

// The icon, `size` pixels across, on a transparent ground.
Layer make_icon(int size);

// The icon's file under an icon theme's folder, such as
// "hicolor/48x48/apps/io.github.tossaro.Tossaro.png".
std::string icon_file_name(int size);

// Writes the icon at every size into the theme folders under `folder`.
// Returns an empty string, or what failed.
std::string make_icons(const std::string &folder);

#endif
