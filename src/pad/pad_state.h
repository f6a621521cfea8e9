// What a game controller shows at one moment, in SDL's standard layout but
// without SDL's types, so that the rest of the game (and its tests) can
// read it without SDL.
#ifndef TOSSARO_PAD_PAD_STATE_H
#define TOSSARO_PAD_PAD_STATE_H

enum PadButton {
   PadA,
   PadB,
   PadBack,
   PadStart,
   PadUp,
   PadDown,
   PadLeft,
   PadRight,
   PadGuide,  // the middle button with the maker's logo, where there is one
   PadX,
   PadY,
   kPadButtons
};
enum PadAxis { LeftX, LeftY, RightX, RightY, kPadAxes };

// A stick's full travel: axes run from -kAxisTravel to kAxisTravel, y
// positive downwards.
const int kAxisTravel = 32767;

struct PadState {
   bool connected = false;
   bool buttons[kPadButtons] = {};
   int axes[kPadAxes] = {};
};

#endif
