// The GIF codec: everything the game, the tools and the tests call.
#ifndef TOSSARO_GIF_H
#define TOSSARO_GIF_H

#include "gif_draw.h"
#include "gif_reader.h"
#include "gif_sequence.h"

#endif
