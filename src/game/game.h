// One game, from set-up to game over: the tick of the playfield and its
// picture.
#ifndef TOSSARO_GAME_GAME_H
#define TOSSARO_GAME_GAME_H

#include <cstdint>
#include <ctime>
#include <vector>

#include "app/key_bindings.h"
#include "ball.h"
#include "hand.h"
#include "powerup.h"
#include "text_fade.h"

// The data of the one game there is. Set by newGame, changed by
// updateGame; kept after the game ends for the game-over screens.
extern int score;  // the values of the targets collected
// Seconds since the last collection (or the start), counted in ticks up to
// just past 10.
extern float hitTimer;
extern float energy;  // 10 at the start; drains once hitTimer reaches 10
extern bool handsOff;  // the energy is gone: the hands no longer catch
extern std::vector<Ball> balls;  // red, green and blue
extern std::vector<Powerup> targets;  // three at a time
// One per collection, removed as they finish; kept from one game to the
// next.
extern std::vector<TextFade> popups;

// The clock that seeds rand at each new game; tests set their own.
extern time_t (*gameClock)(time_t *);

// The play actions the game's current tick reads: taken from the keys
// once at the start of each tick of play (and by newGame), or given by a
// replay.
extern ActionSet playActions;

inline bool actionHeld(PlayAction action)
{
   return (playActions >> action & 1) != 0;
}

// How a game began: with the actions of each tick, all it takes to play
// it again.
struct GameStart {
   int64_t startTime;  // the clock at the start, in seconds since 1970
   uint32_t seed;  // what rand was seeded with: the start time's low 32 bits
   Hand left, right;  // the hands as the game found them: they stay from one game to the next
   ActionSet actions;  // the actions of the tick that began it
   // Begun by the new-game key in play: the rest of that tick is the new
   // game's.
   bool withinTick;
};

// Told, inside the tick, of each game played from the keys: its start
// (before anything is set up, so the game before is still as it ended)
// and each tick of play after it. The replay recorder; none by default.
class PlayListener {
public:
   virtual ~PlayListener() = default;
   virtual void started(const GameStart &start) = 0;
   // One tick of play read these actions; `over` when it lost the game.
   virtual void ticked(ActionSet actions, bool over) = 0;
};
extern PlayListener *playListener;

// Starts a fresh game and shows the playfield.
void newGame();

// One logic tick of the playfield.
void updateGame();

// A recorded game begun again as it began: its hands, its seed, and the
// actions of its first tick (and the rest of that tick when it began
// within one). Neither the screen nor the listener is told.
void replayStart(const GameStart &start);

// One tick of play as a replay runs it: the rules alone, with these
// actions. What the keys do to the screens (a new game, the quit prompt,
// quitting) and the move to game over are left out. Returns whether the
// game is over: every ball below the bottom edge.
bool replayTick(ActionSet actions);

// One frame of the playfield into backBuffer.
void drawGame();

#endif
