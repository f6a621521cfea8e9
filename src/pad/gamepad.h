// Game controllers through SDL2: started once, read once a tick on the
// main thread. The first controller connected drives; others wait until it
// goes.
#ifndef TOSSARO_PAD_GAMEPAD_H
#define TOSSARO_PAD_GAMEPAD_H

#include <string>

#include "pad/pad_state.h"

// SDL's instance id of the controller that drives, -1 while none does.
// Changed by startPads, readPad and stopPads only.
extern int drivingPad;

// Whether startPads has started SDL's controllers and stopPads not yet
// stopped them. Changed by those two only.
extern bool padsStarted;

// Starts SDL's game controller support with its own mappings, those of
// SDL_GAMECONTROLLERCONFIG, and `mappingsFile` when it exists (what cannot
// be read there, or is no file, is named on stderr). Returns an empty
// string, or why controllers cannot be used.
std::string startPads(const std::string &mappingsFile);

// Takes SDL's news of controllers plugged and unplugged, and returns the
// driving controller's state (not connected when there is none).
// `unplugged` is set when the driving controller went since the last call.
PadState readPad(bool *unplugged);

void stopPads();

#endif
