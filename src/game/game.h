// One game, from set-up to game over: the tick of the playfield and its
// picture.
#ifndef TOSSARO_GAME_GAME_H
#define TOSSARO_GAME_GAME_H

#include <ctime>
#include <vector>

#include "ball.h"
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

// Starts a fresh game and shows the playfield.
void newGame();

// One logic tick of the playfield.
void updateGame();

// One frame of the playfield into backBuffer.
void drawGame();

#endif
