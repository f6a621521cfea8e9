// Which routines run for each screen state: the one place that routes
// ticks and frames.
#ifndef TOSSARO_SCREENS_SCREENS_H
#define TOSSARO_SCREENS_SCREENS_H

#include "shell/screen_state.h"

// The per-tick and per-frame routines of one screen state; either may be
// null.
struct ScreenRoutines {
   void (*update)();
   void (*draw)();
};

// The routines of `state`: both null for a state that has none.
ScreenRoutines routinesOf(ScreenState state);

#endif
