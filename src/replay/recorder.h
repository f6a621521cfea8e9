// Every game played from the keys, recorded as it is played: in memory,
// inside the tick, without a file written, a wait or a call of rand, so
// that the recording never changes the game.
#ifndef TOSSARO_REPLAY_RECORDER_H
#define TOSSARO_REPLAY_RECORDER_H

#include <cstdint>
#include <optional>
#include <string>

#include "game/game.h"
#include "replay/replay_file.h"

class Recorder : public PlayListener {
public:
   explicit Recorder(std::string gameVersion) : version_(std::move(gameVersion)) {}

   // A new game ends the one being recorded and starts a recording.
   void started(const GameStart &start) override;
   void ticked(ActionSet actions, bool over) override;

   // Ends the recording of the game in play, if any, with the score it
   // has now; its replay waits in finished().
   void finish();
   bool recording() const { return recording_; }
   // The game being recorded as a replay that ends now, at its score now.
   Replay soFar() const;
   // The last game finished, until taken.
   std::optional<Replay> &finished() { return finished_; }

private:
   std::string version_;
   bool recording_ = false;
   Replay current_;
   std::optional<Replay> finished_;
};

// The check value of the game's state: 32-bit FNV-1a over the bytes of
// the score, the energy, the timer, and each ball's x, y, vx and vy,
// each a little-endian 32-bit integer or IEEE float.
uint32_t gameCheck();

#endif
