// One game, from set-up to game over: the rules of a tick of play, the
// state they change, and how a game begins.
#ifndef TOSSARO_GAME_GAME_H
#define TOSSARO_GAME_GAME_H

#include <cstdint>
#include <ctime>
#include <vector>

#include "game/actions.h"
#include "game/ball.h"
#include "game/hand.h"
#include "game/particle.h"
#include "game/powerup.h"
#include "game/text_fade.h"

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

// The play actions the game's current tick reads: given by startGame and
// playTick (from the keys) or by a replay.
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

// Begins a fresh game, read with these actions; `withinTick` when the
// new-game key in play began it. The listener is told first.
void startGame(ActionSet actions, bool withinTick);

// What one tick of play did that the screens above may act on.
struct PlayTick {
   bool over;  // every ball fell below the bottom edge: the game is lost
   bool begunAnew;  // the new-game key began a fresh game, which took the rest of the tick
};

// One tick of play with these actions: the clocks, a new game when its
// key is held, then everything in the field moves. The listener is told
// of the tick unless it began a game.
PlayTick playTick(ActionSet actions);

// A recorded game begun again as it began: its hands, its seed, and the
// actions of its first tick (and the rest of that tick when it began
// within one). The listener is not told.
void replayStart(const GameStart &start);

// One tick of play as a replay runs it: the rules alone, with these
// actions, a held new-game key left out. Returns whether the game is
// over: every ball below the bottom edge.
bool replayTick(ActionSet actions);

// Everything a game is, as the ticks leave it: the state above with the
// hands and the sparks. What watching a replay puts back afterwards.
struct GameState {
   int score;
   float hitTimer, energy;
   bool handsOff;
   std::vector<Ball> balls;
   std::vector<Powerup> targets;
   std::vector<TextFade> popups;
   std::vector<Particle> sparks;
   Hand leftHand, rightHand;
   ActionSet playActions;
};

GameState saveGame();
void restoreGame(const GameState &state);

#endif
