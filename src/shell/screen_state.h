// The screen states that route every tick and every frame, and the delay
// that keeps a held key from acting twice.
#ifndef TOSSARO_SHELL_SCREEN_STATE_H
#define TOSSARO_SHELL_SCREEN_STATE_H

// The numbers are fixed; 2 and 8 are unused.
enum ScreenState : int {
   Intro = 0,
   Menu = 1,
   ScoreTable = 3,
   Playing = 4,
   QuitPrompt = 5,
   NameEntry = 6,
   GameOver = 7,
   Exit = 9,
   Watching = 10,  // a replay, or the menu's demo
   Leaderboard = 11,  // its best, from the table
   Paused = 12,  // a game in play, frozen
   HowToPlay = 13,
};

// The current screen. Set to Intro at start-up, then only by the screens'
// update routines (and by the main loop, to Exit, when the window is
// closed).
extern ScreenState screenState;

// Raised by the playfield's tick, or the pause's, when its quit key asks
// for the prompt; the main loop lowers it once the tick is done and opens
// the prompt over the game, as it does for a lost focus.
extern bool quitPromptRequested;

// Ticks during which screens ignore keys. Lowered by one at the start of
// every tick, never below 0; set by a screen when it acts on a key.
extern int inputDelay;

// The values screens give `inputDelay`, in ticks.
// Start-up and the opening of the name entry: two seconds in which a key
// still held from before does nothing.
constexpr int kLongInputDelay = 200;
// Every other screen change made from a key, the end of the intro and the
// start of game over.
constexpr int kScreenChangeDelay = 50;
// The name entry abandoned with Esc.
constexpr int kAbandonNameDelay = 20;
// The menu cursor moved: a held arrow key moves it again every 15 ticks.
constexpr int kCursorRepeatDelay = 15;

#endif
