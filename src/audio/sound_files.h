// The effect files in sounds/, and which cue and variant each one plays.
#ifndef TOSSARO_AUDIO_SOUND_FILES_H
#define TOSSARO_AUDIO_SOUND_FILES_H

#include <string>
#include <vector>

#include "audio/sound.h"

struct SoundFile {
   Cue cue;
   int variant;
   const char *name;
};

// Every effect the game plays, one row per file.
const std::vector<SoundFile> &soundFiles();

// The row that plays this cue and variant; -1 for none.
int soundFileIndex(Cue cue, int variant);

#endif
