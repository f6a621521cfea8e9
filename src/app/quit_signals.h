// SIGINT, SIGTERM and SIGHUP (Ctrl+C, kill, the desktop session ending)
// end the game as leaving from the menu does: table saved, assets
// released, status 0.
#ifndef TOSSARO_APP_QUIT_SIGNALS_H
#define TOSSARO_APP_QUIT_SIGNALS_H

// Takes the three signals over from the library's own handlers, which
// abort or hang; called after the library has started. Returns 0, or -1
// when a handler cannot be installed.
int installQuitSignals();

#endif
