#include "app/quit_signals.h"

#include <signal.h>

#include <initializer_list>

#include "app/main_loop.h"

static_assert(ATOMIC_BOOL_LOCK_FREE == 2, "the handler may only touch a lock-free flag");

namespace {

// All a handler may safely do: raise the flag the main loop reads.
void onQuitSignal(int)
{
   closeRequested = true;
}

}  // namespace

int installQuitSignals()
{
   struct sigaction action = {};
   action.sa_handler = onQuitSignal;
   sigemptyset(&action.sa_mask);
   action.sa_flags = SA_RESTART;
   for (int number : {SIGINT, SIGTERM, SIGHUP}) {
      if (sigaction(number, &action, nullptr) != 0)
         return -1;
   }
   return 0;
}
