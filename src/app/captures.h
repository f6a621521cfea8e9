// The captures in the game's loop: the keys that ask for them, read once
// a tick, and once a frame the picture taken and the notice drawn over
// it; at exit, what is still being written. The still (F12), the clip (F9)
// and the notice are each a file of their own.
#ifndef TOSSARO_APP_CAPTURES_H
#define TOSSARO_APP_CAPTURES_H

#include <allegro.h>

// Once a tick, before the screen's: a press of the capture keys asks for a
// capture (a clip is begun at once, of the game as it stands), and the
// notice's time runs down.
void readCaptureKeys();

// Once a frame, on the picture the screen drew before anything else is
// drawn over it: tells of captures written, takes a copy of the picture
// when one was asked for, and draws the notice over it.
void captureFrame(BITMAP *picture);

// At exit: waits for a picture still being written; a clip still being
// made is left to its process, and a line says so.
void finishCaptures();

#endif
