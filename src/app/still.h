// The still: the picture key (F12, and a controller's Guide button) saves
// the picture on the screen, on any screen, as a GIF in the captures
// folder. The picture is copied as it is drawn and written on a thread of
// its own, so the game runs on meanwhile.
#ifndef TOSSARO_APP_STILL_H
#define TOSSARO_APP_STILL_H

#include <allegro.h>

#include <string>

// A press of the picture key: the next frame is taken.
void askForPicture();

// Once a frame, before the picture is taken: tells of a picture written
// since the last frame.
void tellPictureWritten();

// Once a frame, on the picture the screen drew before anything else is
// drawn over it: takes a copy of it when one was asked for. A press while
// a picture is still being written takes the frame after.
void takeAskedPicture(BITMAP *picture);

// At exit: waits for a picture still being written, and tells of it.
void finishPicture();

// Writes `picture` into `path` as a still GIF, its colours exact when it
// has 256 or fewer. Returns an empty string, or why it could not.
std::string saveStill(const std::string &path, BITMAP *picture);

#endif
