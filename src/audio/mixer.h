// The game's sound: SDL2_mixer plays the effects of sounds/ on the cues
// of sound.h. SDL serves the audio alone; the window, the keyboard
// and the timers stay the library's.
#ifndef TOSSARO_AUDIO_MIXER_H
#define TOSSARO_AUDIO_MIXER_H

#include <string>
#include <vector>

#include "audio/sound.h"

struct Mix_Chunk;

const int kMaxVolume = 100;
const int kDefaultVolume = 80;
const int kVoices = 16;  // sounds at once at most

// SDL2_mixer as the sink of the game's cues: each cue's effect on a voice
// of its own, the oldest giving way when too many sound.
class Mixer : public SoundSink {
public:
   void play(Cue cue, int variant, float loudness) override;
   void toggleMute() override;

   std::vector<Mix_Chunk *> chunks;  // by row of soundFiles(); null when missing
   int volume = kDefaultVolume;
   bool muted = false;

private:
   int freeVoice(int effect);

   // What each channel last played, and when, to find the oldest voice.
   int effectOn[kVoices] = {};
   unsigned long startedOn[kVoices] = {};
   unsigned long plays = 0;
};

// The mixer the game plays through: its effects are loaded by startSound
// and freed by stopSound, and `sounds` points at it between the two.
extern Mixer mixer;

// Opens the audio device, loads every effect from `folder` and points
// `sounds` at the mixer, at `volume` (0 to kMaxVolume). A missing or
// unreadable effect is reported on stderr and the others play. Returns an
// empty string, or why there is no sound (then `sounds` stays silent).
std::string startSound(const std::string &folder, int volume);

// Stops every sound, closes the device and makes `sounds` silent again.
void stopSound();

#endif
