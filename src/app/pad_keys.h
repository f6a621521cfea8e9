// The game controller as keys: each tick the pad's state becomes the keys
// the current screen reads (held keys, and typed characters for the name
// entry), on top of the keyboard's, so that no screen's rules change.
#ifndef TOSSARO_APP_PAD_KEYS_H
#define TOSSARO_APP_PAD_KEYS_H

#include <deque>
#include <set>

#include "pad/pad_state.h"
#include "shell/keyboard.h"
#include "shell/screen_state.h"

class PadKeys : public KeySource {
public:
   explicit PadKeys(KeySource *keyboard) : keyboard_(keyboard) {}

   bool held(int scancode) override;
   bool keypressed() override;
   int readkey() override;
   void clearKeybuf() override;

   // One tick of the pad on `screen`.
   void update(const PadState &pad, ScreenState screen);
   KeySource *keyboard() const { return keyboard_; }

private:
   bool stickPast(const PadState &pad, PadAxis axis, int sign);
   bool pressed(const PadState &pad, PadButton button) const;
   void updateNameEntry(const PadState &pad);
   void type(int c);

   KeySource *keyboard_;
   std::set<int> held_;  // scancodes the pad holds this tick
   std::deque<int> typed_;  // characters still to type, one a tick
   int ready_ = -1;  // the character this tick offers, -1 for none
   PadState last_;  // the state of the tick before
   bool stickHeld_[kPadAxes][2] = {};  // per axis: towards minus, towards plus
   int repeatTicks_ = 0;  // how long the held D-pad direction has been held
};

// The controller in use: reads the pad once a tick and feeds `keys`.
// Nothing happens until startPadKeys succeeds.
void startPadKeys();
void readPadKeys();
void stopPadKeys();

#endif
