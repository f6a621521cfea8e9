// Every game played from the keys, recorded as it is played: in memory,
// inside the tick, without a file written, a wait or a random number
// drawn, so that the recording never changes the game.
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
   void started(const Game &game, const GameStart &start) override;
   void ticked(const Game &game, ActionSet actions, bool over) override;

   // Ends the recording of the game in play, if any, at `score`, the score
   // it has now; its replay waits in finished().
   void finish(int32_t score);
   bool recording() const { return recording_; }
   // The game being recorded as a replay that ends now, at `score`.
   Replay soFar(int32_t score) const;
   // The last game finished, until taken.
   std::optional<Replay> &finished() { return finished_; }

private:
   std::string version_;
   bool recording_ = false;
   Replay current_;
   std::optional<Replay> finished_;
};

#endif
