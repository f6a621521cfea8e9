// The game's name and the score table's heading in large lettering.
#ifndef TOSSARO_TOOLS_ART_LETTERING_H
#define TOSSARO_TOOLS_ART_LETTERING_H

#include "art_image.h"

// The heights the game leaves for the banners at the top of the window:
// the menu's cursor starts at y 175, the table's first row at y 120.
const int kMenuBannerH = 170;
const int kScoresBannerH = 110;

// "Tossaro", 640 wide, transparent around, for the loading screen.
Layer make_logo();

// The top of `backdrop` with "Tossaro" on it, 640 by kMenuBannerH.
Layer make_menu_banner(const Layer &backdrop);

// The top of `backdrop` with "High Scores" on it, 640 by kScoresBannerH.
Layer make_scores_banner(const Layer &backdrop);

#endif
