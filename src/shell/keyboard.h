// Where screens read the keyboard: the library's held-key array and key
// buffer in the game; a script of keys in tests, which have no keyboard.
#ifndef TOSSARO_SHELL_KEYBOARD_H
#define TOSSARO_SHELL_KEYBOARD_H

class KeySource {
public:
   virtual ~KeySource() = default;
   // Whether the key of this scancode is held down (the library's key[]).
   virtual bool held(int scancode) = 0;
   // Whether the key buffer holds a typed key (keypressed).
   virtual bool keypressed() = 0;
   // Takes the next typed key from the buffer (readkey): ASCII code in the
   // low byte, scancode in the high byte.
   virtual int readkey() = 0;
   // Empties the key buffer (clear_keybuf).
   virtual void clearKeybuf() = 0;
};

// The characters readkey gives for Backspace and Enter.
const int kBackspace = 8, kEnter = 13;

// The keyboard the screens read. The library's by default; a test may
// point it at its own source.
extern KeySource *keys;

#endif
