// The notice of the captures: a panel over the picture (never in it),
// below the gauges, that names the file a capture made or says why there
// is none, for two seconds; a capture that fails is said on stderr too.
#ifndef TOSSARO_APP_CAPTURE_NOTICE_H
#define TOSSARO_APP_CAPTURE_NOTICE_H

#include <allegro.h>

#include <string>

// What a capture came to: the file it wrote, or why there is none.
struct CaptureOutcome {
   std::string path;  // the file, when it was written
   std::string problem;  // else one line saying why not
};

// Shows `text` from now on.
void showCaptureNotice(const std::string &text);

// Tells what became of a capture, `what` being "picture" or "clip":
// "Saved" and the file's name, or that it is not saved and why.
void tellCapture(const CaptureOutcome &outcome, const char *what);

// Once a tick: the notice's time runs down.
void ageCaptureNotice();

// Once a frame, over the picture as the screen drew it: the notice, if
// one shows.
void drawCaptureNotice(BITMAP *picture);

// The notice now shown, empty for none; for tests.
const std::string &captureNotice();

#endif
