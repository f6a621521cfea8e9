// The GIF codec: everything the game, the tools and the tests call.
#ifndef TOSSARO_GIF_H
#define TOSSARO_GIF_H

#include "gif_draw.h"
#include "gif_reader.h"
#include "gif_register.h"
#include "gif_sequence.h"
#include "gif_writer.h"

#endif
