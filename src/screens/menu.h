// The main menu: "  Play", "High Scores", "  Exit", and a foot line naming
// F1 (How to play).
#ifndef TOSSARO_SCREENS_MENU_H
#define TOSSARO_SCREENS_MENU_H

// The highlighted item, 0 to 2. Never reset, so the menu reopens on the
// item last chosen or moved to. Changed by updateMenu only.
extern int menuSelection;

void updateMenu();
void drawMenu();

#endif
