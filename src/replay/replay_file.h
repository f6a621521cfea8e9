// A recorded game as a file: how it began, the play actions of each of
// its ticks as runs, and a check value of the game's state every 100
// ticks. The layout is in the README; integers are little-endian.
#ifndef TOSSARO_REPLAY_REPLAY_FILE_H
#define TOSSARO_REPLAY_REPLAY_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/game.h"

// The same actions held for `ticks` ticks in a row.
struct ActionRun {
   ActionSet actions;
   uint32_t ticks;
};

struct Replay {
   static const uint16_t kFormat = 1;  // the layout this game writes and reads
   static const int kCheckEvery = 100;  // ticks between two check values

   std::string gameVersion;  // of the game that recorded it
   GameStart start = {};
   uint32_t ticks = 0;  // ticks of play after the start
   int32_t finalScore = 0;
   bool endedByGameOver = false;  // else left: a new game, the menu, quitting
   std::string name;  // entered for its row in the table; empty when none was
   std::vector<ActionRun> runs;  // their ticks add up to `ticks`
   std::vector<uint32_t> checks;  // the game's check value after tick 100, 200, ...
};

// Why a file is no replay this game can play, and where.
enum class ReplayFault {
   None,
   Unreadable,  // missing, no regular file, too large, or the system refused
   NotAReplay,  // it does not begin with the magic
   OtherFormat,  // a format version, older or newer, this game cannot read (`value`)
   CutShort,  // it ends at `offset`, before the length it states (`value`)
   ClaimsMore,  // a count or length (`value`) at `offset` more than its bytes hold
   RunsDisagree,  // its runs add up to `value` ticks, not the ticks it claims
   ChecksDisagree,  // it holds `value` check values, not one for each 100 ticks
   BadStart,  // a start no game can have: a flag or a hand's value out of range
   TrailingBytes,  // bytes after its end, from `offset`
};

struct ReplayReading {
   Replay replay;
   ReplayFault fault = ReplayFault::None;
   size_t offset = 0;  // where in the file the fault lies
   const char *part = "";  // which part of the file that is, such as "the header"
   uint64_t value = 0;  // the number at fault, if any
};

// The file's bytes for a replay.
std::vector<unsigned char> encodeReplay(const Replay &replay);

// Reads a replay from a file's bytes. Nothing it holds allocates more
// than the bytes can back: every count is checked against the bytes left
// before anything is reserved.
ReplayReading decodeReplay(const unsigned char *bytes, size_t size);

// One line saying what is wrong and where, such as "cut short at byte 84
// (in the runs of actions)"; empty for a good reading.
std::string describeFault(const ReplayReading &reading);

// The largest replay file read: some eight hours of constant key changes.
const size_t kMaxReplayFile = 8u << 20;

// Reads the replay file at `path`. `problem` is empty, or one line naming
// the file and what is wrong with it.
ReplayReading readReplayFile(const std::string &path, std::string *problem);

#endif
