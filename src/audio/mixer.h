// The game's sound: SDL2_mixer plays the effects of sounds/ on the cues
// of sound.h. SDL serves the audio alone; the window, the keyboard
// and the timers stay the library's.
#ifndef TOSSARO_AUDIO_MIXER_H
#define TOSSARO_AUDIO_MIXER_H

#include <string>

const int kMaxVolume = 100;
const int kDefaultVolume = 80;

// Opens the audio device, loads every effect from `folder` and points
// `sounds` at the mixer, at `volume` (0 to kMaxVolume). A missing or
// unreadable effect is reported on stderr and the others play. Returns an
// empty string, or why there is no sound (then `sounds` stays silent).
std::string startSound(const std::string &folder, int volume);

// Stops every sound, closes the device and makes `sounds` silent again.
void stopSound();

#endif
