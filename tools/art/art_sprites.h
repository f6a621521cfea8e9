// The things that move over the backdrop: balls, hands, the juggler and
// sparks. Each layer's alpha is the coverage of its shapes.
#ifndef TOSSARO_TOOLS_ART_SPRITES_H
#define TOSSARO_TOOLS_ART_SPRITES_H

#include "art_image.h"

// Balls are 20 by 20 with radius 10.
const int kBallSize = 20;

// The hand image: the game draws it at x1 - 17 and, mirrored, at x1 - 5
// for a 40-pixel bar from x1, so its middle must be at x 37 of 62.
const int kHandW = 62;
const int kHandH = 44;
const float kHandMiddle = 37;

// A shiny ball of colour `base`, lit from the upper left, `size` across.
Layer make_ball(Rgb base, int size = kBallSize);

// A white-gloved open hand, palm up, thumb out to the left.
Layer make_hand();

// The juggler: a jester with arms raised outward, feet on the bottom row.
Layer make_character();

// A four-pointed spark with a warm glow, 16 by 16.
Layer make_particle();

// The marks of the three colours, side by side in cells of kMarkSize:
// red a disc, green a triangle, blue a square, white in a black outline
// so that they read on any ball, target or backdrop.
const int kMarkSize = 10;
Layer make_marks();

#endif
