// One game, from set-up to game over: the rules of a tick of play, the
// state they change, and how a game begins. A game is a value: it holds
// everything a tick reads or writes, its random numbers included, so
// that the game in play, a replay watched, a demo, an export and every
// check of a server each play their own.
#ifndef TOSSARO_GAME_GAME_H
#define TOSSARO_GAME_GAME_H

#include <cstdint>
#include <ctime>
#include <vector>

#include "audio/sound.h"
#include "game/actions.h"
#include "game/ball.h"
#include "game/game_random.h"
#include "game/hand.h"
#include "game/particle.h"
#include "game/powerup.h"
#include "game/text_fade.h"

// How a game began: with the actions of each tick, all it takes to play
// it again.
struct GameStart {
   int64_t startTime;  // the clock at the start, in seconds since 1970
   uint32_t seed;  // what the numbers were seeded with: the start time's low 32 bits
   Hand left, right;  // the hands as the game found them: they stay from one game to the next
   ActionSet actions;  // the actions of the tick that began it
   // Begun by the new-game key in play: the rest of that tick is the new
   // game's.
   bool withinTick;
};

class Game;

// Told, inside the tick, of each game begun from the keys: its start
// (before anything is set up, so the game before is still as it ended)
// and each tick of play after it. The replay recorder; none by default.
class PlayListener {
public:
   virtual ~PlayListener() = default;
   virtual void started(const Game &game, const GameStart &start) = 0;
   // One tick of play read these actions and left `game` so; `over` when
   // it lost the game.
   virtual void ticked(const Game &game, ActionSet actions, bool over) = 0;
};

// What one tick of play did that the screens above may act on.
struct PlayTick {
   bool over;  // every ball fell below the bottom edge: the game is lost
   bool begunAnew;  // the new-game key began a fresh game, which took the rest of the tick
};

class Game {
public:
   // No game begun yet: the hands as the program starts them, no balls.
   Game() = default;
   // A recorded game begun again as it began: its hands, its seed, and the
   // actions of its first tick (and the rest of that tick when it began
   // within one). The listener is not told.
   explicit Game(const GameStart &start);

   // Begins a fresh game from the keys, read with these actions, seeded
   // from the clock; `withinTick` when the new-game key in play began it.
   // The listener is told first.
   void start(ActionSet actions, bool withinTick);

   // One tick of play with these actions: the clocks, a new game when its
   // key is held, then everything in the field moves. The listener is told
   // of the tick unless it began a game.
   PlayTick tick(ActionSet actions);

   // One tick of play as a replay runs it: the rules alone, with these
   // actions, a held new-game key left out. Returns whether the game is
   // over: every ball below the bottom edge.
   bool replayTick(ActionSet actions);

   // The check value of the state: 32-bit FNV-1a over the bytes of the
   // score, the energy, the timer, and each ball's x, y, vx and vy, each a
   // little-endian 32-bit integer or IEEE float.
   uint32_t check() const;

   // Whether the tick's actions hold this one.
   bool held(PlayAction action) const { return (actions >> action & 1) != 0; }

   // Says a cue, when the game is heard.
   void cue(Cue cue, int variant = 0, float loudness = 1) const;

   // The state, as the ticks leave it; read by drawing, the tables and the
   // recorder. Kept after the game ends, for the game-over screens.
   int score = 0;  // the values of the targets collected
   // Seconds since the last collection (or the start), counted in ticks up
   // to just past 10.
   float hitTimer = 0;
   float energy = 0;  // 10 at the start; drains once hitTimer reaches 10
   bool handsOff = false;  // the energy is gone: the hands no longer catch
   std::vector<Ball> balls;  // red, green and blue
   std::vector<Powerup> targets;  // three at a time
   // One per collection, removed as they finish; kept from one game to
   // the next.
   std::vector<TextFade> popups;
   std::vector<Particle> sparks;  // every live spark, oldest first
   // Kept from one game to the next.
   Hand leftHand = kLeftHandAtStart, rightHand = kRightHandAtStart;
   ActionSet actions = 0;  // the play actions the current tick reads

   // Who hears it: set by its owner, never by the rules.
   PlayListener *listener = nullptr;
   // Whether its cues reach the program's sounds: only the game in play
   // and a replay watched are heard.
   bool heard = false;
   // The clock that seeds each game begun from the keys; tests set their
   // own.
   time_t (*clock)(time_t *) = time;

private:
   void setUp(uint32_t seed);
   void collect(size_t index);
   void hitTargets();
   void updatePopups();
   void soundTheDrain(float timerBefore, float energyBefore);
   bool advanceClocks();
   void advanceField();

   GameRandom random_;  // the numbers of the targets and sparks
};

#endif
