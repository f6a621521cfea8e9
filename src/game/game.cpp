#include "game.h"

#include "screen_state.h"

void newGame()
{
   screenState = Playing;
}
