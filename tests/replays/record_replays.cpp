// Records the games that the tests play back as replays: scripted runs of
// the game's own screens, main-loop tick and key layer (keyboard, key
// bindings and SDL's virtual game controller), with fixed seeds, so that
// they can be recorded again whenever a rule of play changes on purpose:
//
//    build/tests/replays/record_replays tests/replays
//
// Prints how each ends, as --verify does; the tests expect those lines.
#include <allegro.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <set>

#include "app/app_fixture.h"
#include "app/main_loop.h"
#include "app/pad_keys.h"
#include "files/replacement_file.h"
#include "game/game.h"
#include "replay/playback.h"
#include "replay/recorder.h"
#include "screens/playfield.h"
#include "shell/key_bindings.h"
#include "shell/screen_state.h"

namespace {

ScriptedKeys scripted;
Recorder recorder(TOSSARO_VERSION);
time_t seed = 1;

time_t fixedClock(time_t *)
{
   return seed;
}

// One tick of the program with these keys held.
void tick(std::set<int> down)
{
   scripted.down = std::move(down);
   updateScreen();
}

// From the menu into play with P, the screens' delay run out.
void playFromTheMenu()
{
   screenState = Menu;
   inputDelay = 0;
   tick({KEY_P});
   while (inputDelay > 0)
      tick({});
}

// Keys held in turns of `every` ticks.
std::set<int> turn(const std::vector<std::set<int>> &turns, int tick, int every)
{
   return turns[size_t(tick / every) % turns.size()];
}

// The seven kinds of target each collected at least once.
class Kinds {
public:
   void before() { was_ = playedGame().targets; }
   void after()
   {
      for (const Powerup &t : was_) {
         bool still = false;
         for (const Powerup &now : playedGame().targets)
            still = still || (now.x == t.x && now.y == t.y && now.kind == t.kind);
         if (!still)
            seen_.insert(t.kind);
      }
   }
   bool all() const { return seen_.size() == 7; }

private:
   std::vector<Powerup> was_;
   std::set<int> seen_;
};

// A short game from the menu, left through the quit prompt.
Replay shortGame()
{
   seed = 1733600001;
   playFromTheMenu();
   const std::vector<std::set<int>> turns = {{KEY_W}, {KEY_RIGHT, KEY_UP}, {KEY_A, KEY_S}, {}};
   for (int t = 0; t < 600; t++)
      tick(turn(turns, t, 40));
   tick({KEY_ESC});
   for (int t = 0; t < 80; t++)
      tick({});
   tick({KEY_Y});
   recorder.finish(playedGame().score);
   return *recorder.finished();
}

// The first seeded game, keys held in turns, that lasts several thousand
// ticks and collects every kind of target.
Replay longGame()
{
   const std::vector<std::set<int>> turns = {
      {}, {KEY_W, KEY_RIGHT}, {KEY_A, KEY_UP}, {KEY_D}, {KEY_S, KEY_LEFT}, {KEY_W, KEY_UP}, {}};
   for (seed = 1733610000;; seed++) {
      playFromTheMenu();
      Kinds kinds;
      int t = 0;
      for (; screenState == Playing && t < 30000; t++) {
         kinds.before();
         tick(turn(turns, t, 130));
         kinds.after();
      }
      recorder.finish(playedGame().score);
      if (t >= 5000 && kinds.all() && recorder.finished()->endedByGameOver)
         return *recorder.finished();
   }
}

// A game on the controller: begun from the menu with A, then again with
// Back during play, within a tick, and played with the sticks and the
// D-pad to its end.
Replay padGame(std::string *problem)
{
   startPadKeys();
   VirtualPad pad;
   if (!pad.stick()) {
      *problem = "no virtual controller: " + pad.error;
      return Replay();
   }
   const auto hold = [&](std::initializer_list<SDL_GameControllerButton> buttons,
                         std::initializer_list<std::pair<SDL_GameControllerAxis, int>> axes) {
      for (int b = 0; b < SDL_CONTROLLER_BUTTON_MAX; b++)
         SDL_JoystickSetVirtualButton(pad.stick(), b, 0);
      for (int a = 0; a < SDL_CONTROLLER_AXIS_MAX; a++)
         SDL_JoystickSetVirtualAxis(pad.stick(), a, 0);
      for (SDL_GameControllerButton b : buttons)
         SDL_JoystickSetVirtualButton(pad.stick(), b, 1);
      for (const auto &[axis, travel] : axes)
         SDL_JoystickSetVirtualAxis(pad.stick(), axis, Sint16(travel));
      tick({});
   };
   // The first seed of the second game that collects something.
   for (time_t second = 1733620002;; second += 2) {
      seed = second - 1;
      screenState = Menu;
      inputDelay = 0;
      // SDL tells of the controller plugged in within a few ticks.
      for (int t = 0; screenState == Menu && t < 100; t++)
         hold({SDL_CONTROLLER_BUTTON_A}, {});
      if (screenState != Playing) {
         *problem = "the controller's A did not start a game";
         return Replay();
      }
      for (int t = 0; t < 300; t++)
         hold({}, {{SDL_CONTROLLER_AXIS_LEFTY, -kAxisTravel}});
      seed = second;
      hold({SDL_CONTROLLER_BUTTON_BACK}, {});
      for (int t = 0; screenState == Playing && t < 30000; t++) {
         switch (t / 90 % 5) {
         case 0:
            hold({SDL_CONTROLLER_BUTTON_DPAD_UP}, {{SDL_CONTROLLER_AXIS_RIGHTX, kAxisTravel}});
            break;
         case 1:
            hold({}, {{SDL_CONTROLLER_AXIS_LEFTX, -kAxisTravel},
                      {SDL_CONTROLLER_AXIS_RIGHTY, -kAxisTravel}});
            break;
         case 2:
            hold({SDL_CONTROLLER_BUTTON_DPAD_RIGHT}, {});
            break;
         case 3:
            hold({}, {{SDL_CONTROLLER_AXIS_LEFTY, kAxisTravel},
                      {SDL_CONTROLLER_AXIS_RIGHTX, -kAxisTravel}});
            break;
         default:
            hold({}, {});
         }
      }
      recorder.finish(playedGame().score);
      if (recorder.finished()->finalScore > 0)
         break;
   }
   recorder.finish(playedGame().score);
   pad.unplug();
   stopPadKeys();
   return *recorder.finished();
}

std::string keep(const std::string &folder, const char *name, const Replay &replay)
{
   const std::string problem = replace_file(folder + "/" + name, encodeReplay(replay));
   if (problem.empty())
      printf("%s: score %d after %u ticks (%s)\n", name, int(replay.finalScore), replay.ticks,
             playingTime(replay.ticks).c_str());
   return problem;
}

}  // namespace

int main(int argc, char **argv)
{
   if (argc != 2) {
      fprintf(stderr, "usage: record_replays FOLDER\n");
      return 2;
   }
   if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
      return 1;
   set_color_depth(16);
   // The quit prompt keeps a copy of the screen.
   screen = create_bitmap(640, 480);
   keys = &scripted;
   playedGame().clock = fixedClock;
   playedGame().listener = &recorder;
   const std::string folder = argv[1];
   std::string problem = keep(folder, "short.rpl", shortGame());
   if (problem.empty())
      problem = keep(folder, "long.rpl", longGame());
   if (problem.empty()) {
      const Replay pad = padGame(&problem);
      if (problem.empty())
         problem = keep(folder, "pad.rpl", pad);
   }
   if (!problem.empty()) {
      fprintf(stderr, "record_replays: %s\n", problem.c_str());
      return 1;
   }
   return 0;
}
