// Symbols of the balls' colours for players who cannot tell red from
// green: one on each ball, and those of the colours a target still needs
// in its middle. Off unless the player asks for them.
#ifndef TOSSARO_SCREENS_MARKS_H
#define TOSSARO_SCREENS_MARKS_H

// Whether the marks are drawn. Set once at start-up.
extern bool showMarks;

// The mark of a ball colour (RedBall, GreenBall or BlueBall) centred at
// (x, y) on the back buffer.
void drawMark(int colour, int x, int y);

// The marks of the colours still needed, side by side, centred at (x, y).
void drawNeededMarks(bool red, bool green, bool blue, int x, int y);

#endif
