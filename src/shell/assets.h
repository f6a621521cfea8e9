// The images, fonts and scratch bitmaps every screen draws with. Created
// once at start-up by loadAssets, released once at shutdown by freeAssets;
// everyone else only borrows them.
#ifndef TOSSARO_SHELL_ASSETS_H
#define TOSSARO_SHELL_ASSETS_H

#include <allegro.h>

#include <string>

// The 640 x 480 picture every draw routine paints into; blank at the start
// of every frame.
extern BITMAP *backBuffer;
extern BITMAP *loadingLogo;  // the intro's title lettering
extern BITMAP *texture;  // the backdrop of the whole window
extern BITMAP *titleMenu;  // the menu's banner
extern BITMAP *titleScores;  // the high-score table's banner
extern BITMAP *ballRed;
extern BITMAP *ballGreen;
extern BITMAP *ballBlue;
extern BITMAP *handImage;
extern BITMAP *characterImage;  // the juggler
extern BITMAP *particleImage;  // sparks and the menu cursor
extern BITMAP *marksImage;  // the colours' symbols, side by side, for colour-blind players
extern FONT *scoresFont;
extern FONT *menuFont;  // loaded and released; nothing draws with it
// 180 x 180 scratch space for translucent drawing; nothing stays in it
// from one call to the next.
extern BITMAP *workBitmap;

// Creates and loads every asset, in order, at the current colour depth,
// from graphics/ under `prefix` (empty, or a folder ending in '/').
// Returns an empty string, or the first file or step that failed (then
// everything loaded so far is released again).
std::string loadAssets(const std::string &prefix = "");

// Releases every asset.
void freeAssets();

#endif
