// The game's clock: the rules move in ticks of one length, whatever the
// frame rate, so that a game plays the same on any machine and a replay
// is its ticks. Every count of ticks in seconds goes through this.
#ifndef TOSSARO_GAME_TICKS_H
#define TOSSARO_GAME_TICKS_H

const int kTicksPerSecond = 100;

#endif
