// A replay played again on a game of its own: the game set up as the
// recorded one began, then its ticks one at a time with their actions,
// each check value compared as it comes, so that a playback that drifts
// from the recording is caught where it drifts.
#ifndef TOSSARO_REPLAY_PLAYBACK_H
#define TOSSARO_REPLAY_PLAYBACK_H

#include <cstdint>
#include <string>

#include "game/game.h"
#include "replay/replay_file.h"

class Playback {
public:
   // Sets its game up as the recorded one began; `heard` when its cues are
   // to reach the program's sounds.
   explicit Playback(Replay replay, bool heard = false);

   // The game set up again as it began, at tick 0.
   void restart();
   // Plays one more tick, unless the replay is over. Returns whether
   // one was played.
   bool step();
   // Plays on (or from the start again) to `tick`, or to the end.
   void seek(uint32_t tick);

   const Replay &replay() const { return replay_; }
   // The game as the ticks played so far leave it.
   const Game &game() const { return game_; }
   // Whether its cues reach the program's sounds from now on.
   void hear(bool heard) { game_.heard = heard; }
   uint32_t tick() const { return tick_; }
   // The last tick played, or the playback drifted.
   bool over() const { return tick_ >= replay_.ticks || !divergence_.empty(); }
   // Where the playback drifted from the recording, such as "diverged at
   // tick 2300"; empty while it has not.
   const std::string &divergence() const { return divergence_; }

private:
   void diverge(const std::string &why);
   std::string scoreDifference() const;

   Replay replay_;
   Game game_;
   uint32_t tick_ = 0;
   size_t run_ = 0;  // the run the next tick takes its actions from
   uint32_t usedOfRun_ = 0;  // ticks of that run already played
   std::string divergence_;
};

// The part of the replay up to `tick` as a replay of its own, ending at
// `score` (the game's score at that tick).
Replay replayUpTo(const Replay &replay, uint32_t tick, int32_t score);

// Plays the replay through, as fast as the machine can. Returns where it
// drifted from the recording, or an empty string; `played`, when given,
// is told how many ticks were played.
std::string verifyReplay(const Replay &replay, uint32_t *played = nullptr);

// The playing time of so many ticks, as "0:51.12".
std::string playingTime(uint32_t ticks);

#endif
