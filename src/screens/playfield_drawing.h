// How each thing on the playfield looks: the balls with their shadows,
// the hands, the targets, the score popups and the sparks, drawn into
// backBuffer from the rules' state.
#ifndef TOSSARO_SCREENS_PLAYFIELD_DRAWING_H
#define TOSSARO_SCREENS_PLAYFIELD_DRAWING_H

#include <vector>

#include "game/game.h"

// The ball's shadow and then the ball.
void drawBall(const Ball &ball);

// The left hand as the image is, the right one mirrored.
void drawHand(const Hand &hand, HandSide side);

// The target's disc and rim, under the blender the caller set.
void drawTarget(const Powerup &target);

// The popup's value, faded by its age.
void drawPopup(const TextFade &popup);

// Every spark of the list, oldest first.
void drawSparks(const std::vector<Particle> &sparks);

// The energy bar and under it the timer's, their top left at x, y: full
// at 10 energy, and at no time run.
void drawBars(float energy, float hitTimer, int x, int y);

// The whole playfield of a game: the backdrop, the juggler, everything in
// the field, the score and the gauges.
void drawPlayfield(const Game &game);

#endif
