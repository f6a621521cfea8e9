#include "shell/keyboard.h"

#include <allegro.h>

namespace {

class LibraryKeys : public KeySource {
public:
   bool held(int scancode) override { return key[scancode] != 0; }
   bool keypressed() override { return ::keypressed() != 0; }
   int readkey() override { return ::readkey(); }
   void clearKeybuf() override { clear_keybuf(); }
};

LibraryKeys libraryKeys;

}  // namespace

KeySource *keys = &libraryKeys;
