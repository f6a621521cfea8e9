// The clip: the clip key (F9) saves the last seconds of the game in play,
// or of the replay watched, as an animated GIF in the captures folder.
// The replay so far is handed to a process of the game's own program
// (--replay with --gif), which renders it at a lower priority while play
// goes on, and alone makes the file; a clip still being made when the
// game ends is finished by its process all the same.
#ifndef TOSSARO_APP_CLIP_H
#define TOSSARO_APP_CLIP_H

#include <cstdint>
#include <string>
#include <vector>

// How much of the game a clip holds, in seconds, unless the settings say.
const int kDefaultClipSeconds = 10;

// How much of the game a clip holds, in seconds; set once at start-up.
extern int clipSeconds;

// The game's own program, which renders clips; set once at start-up.
extern std::string clipProgram;

// The part of a game of `ticks` ticks so far that a clip of `seconds`
// holds: its last seconds, or all of it when it is shorter.
struct ClipPart {
   uint32_t from, to;  // in ticks from the start
};
ClipPart clipPart(uint32_t ticks, int seconds);

// The command line of the process that makes the clip of `part` (whose
// end is that of the replay in the file `replay`) into `gif`.
std::vector<std::string> clipCommand(const std::string &program, const std::string &replay,
                                     const std::string &gif, ClipPart part, bool marks);

// A press of the clip key: a clip of the game as it stands is begun at
// once, and the notice says so, or why there is none.
void startClip();

// Once a frame: tells of a clip made since the last frame.
void tellClipWritten();

// At exit: waits until a clip begun is handed to its process, or has
// failed; one still being made is left to its process, and a line says
// so.
void finishClip();

#endif
