// What the desktop knows the game's window by: its class, which the menu
// entry's StartupWMClass matches, and its icon.
#ifndef TOSSARO_APP_WINDOW_IDENTITY_H
#define TOSSARO_APP_WINDOW_IDENTITY_H

#include <string>

// The window class the game's window gets, and the desktop entry names.
extern const char kWindowClass[];

// Names the class of the window the library makes; called before
// allegro_init, which makes the window on X11.
void nameWindowClass();

// Gives the window made by allegro_init the game's icon, the 48 and 64
// pixel pictures icon-48.pam and icon-64.pam in `graphics`, before it
// opens. Does nothing where the display is not X11. Returns an empty
// string, or one line naming the file that could not be read and why.
std::string setWindowIcon(const std::string &graphics);

#endif
