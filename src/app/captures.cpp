#include "app/captures.h"

#include "app/capture_notice.h"
#include "app/clip.h"
#include "app/still.h"
#include "screens/watching.h"
#include "shell/key_bindings.h"
#include "shell/keyboard.h"

namespace {

bool pictureKeyHeld = false;  // at the last tick, so that a press counts once
bool clipKeyHeld = false;

}  // namespace

void readCaptureKeys()
{
   // The capture keys, as any key, only end the menu's demo.
   const bool demo = demoShown();
   const bool held = keys->held(keyFor(SavePicture));
   if (held && !pictureKeyHeld && !demo)
      askForPicture();
   pictureKeyHeld = held;
   const bool clipHeld = keys->held(keyFor(SaveClip));
   if (clipHeld && !clipKeyHeld && !demo)
      startClip();
   clipKeyHeld = clipHeld;
   ageCaptureNotice();
}

void captureFrame(BITMAP *picture)
{
   tellPictureWritten();
   tellClipWritten();
   takeAskedPicture(picture);
   drawCaptureNotice(picture);
}

void finishCaptures()
{
   finishPicture();
   finishClip();
}
