#include "screen_state.h"

int screenState = Intro;
int inputDelay = 0;
