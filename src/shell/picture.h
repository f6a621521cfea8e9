// The picture every screen draws: its size (the playfield's), and the two
// colours that the menu, the quit prompt and the name entry share.
#ifndef TOSSARO_SHELL_PICTURE_H
#define TOSSARO_SHELL_PICTURE_H

#include <allegro.h>

#include "game/playfield.h"

struct PanelColour {
   int r, g, b;
};

// The khaki face of the quit prompt and the name entry's box.
constexpr PanelColour kPanelFace = {137, 135, 95};
// The dark brown of their rims and of the menu's and the prompt's lettering.
constexpr PanelColour kPanelInk = {69, 63, 48};

// The colour in the current colour depth; valid once the depth is set.
inline int makecol(PanelColour colour)
{
   return makecol(colour.r, colour.g, colour.b);
}

#endif
