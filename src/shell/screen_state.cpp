#include "shell/screen_state.h"

ScreenState screenState = Intro;
int inputDelay = 0;
bool quitPromptRequested = false;
