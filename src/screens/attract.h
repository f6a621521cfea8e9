// The menu's attract mode: after kAttractSeconds with no key held in the
// menu, a replay from the table plays as a silent demo (the best first, then
// the others in turn; the last game when no row has one of this
// folder's), and the menu comes back after it with the quiet counted
// anew.
#ifndef TOSSARO_SCREENS_ATTRACT_H
#define TOSSARO_SCREENS_ATTRACT_H

// Whether demos play. Set at start-up from the settings (attract).
extern bool attractOn;

// The quiet before a demo, in seconds.
const int kAttractSeconds = 30;

// Ticks of quiet before a demo: kAttractSeconds. Set at start-up; the
// tests shorten it through TOSSARO_ATTRACT_SECONDS.
extern int attractTicks;

// The menu's tick, the quiet counted.
void updateAttractMenu();

#endif
