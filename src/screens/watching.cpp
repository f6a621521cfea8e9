#include "screens/watching.h"

#include <allegro.h>

#include <memory>

#include "files/say.h"
#include "game/ticks.h"
#include "replay/playback.h"
#include "screens/playfield_drawing.h"
#include "screens/screens.h"
#include "shell/assets.h"
#include "shell/keyboard.h"
#include "shell/picture.h"

namespace {

const int kBackTicks = kBackSeconds * kTicksPerSecond;
const int kLingerTicks = 2 * kTicksPerSecond;  // the last picture stays
const int kBannerX1 = 170, kBannerY1 = 26, kBannerX2 = 470, kBannerY2 = 58;
const int kTextX = 180, kLineY = 50;

struct Watch {
   std::unique_ptr<Playback> playback;
   std::string file;
   ScreenState then = Menu;
   bool demo = false;
   std::string title;
   bool paused = false;
   bool spaceHeld = false, leftHeld = false;  // at the last tick: a press acts once
   int lingering = 0;
   bool leaving = false;  // over: the screen after it waits for the keys to be let go
};

Watch watch;

// The replay is over: the screen after it once the keys are let go.
void leave()
{
   if (watch.leaving)
      return;
   watch.leaving = true;
   if (!watch.playback->divergence().empty())
      say(watch.file + ": " + watch.playback->divergence());
   watch.playback.reset();
   keys->clearKeybuf();
}

// Going back plays the game again from its start, unheard.
void goBack()
{
   Playback &p = *watch.playback;
   p.hear(false);
   p.seek(p.tick() > uint32_t(kBackTicks) ? p.tick() - kBackTicks : 0);
   p.hear(true);
   watch.lingering = 0;
}

void playerKeys()
{
   if (inputDelay == 0 && keys->held(KEY_ESC)) {
      leave();
      return;
   }
   const bool space = keys->held(KEY_SPACE), left = keys->held(KEY_LEFT);
   if (space && !watch.spaceHeld)
      watch.paused = !watch.paused;
   if (left && !watch.leftHeld)
      goBack();
   watch.spaceHeld = space;
   watch.leftHeld = left;
}

}  // namespace

bool anyKeyHeld()
{
   for (int scancode = 1; scancode < KEY_MAX; scancode++) {
      if (keys->held(scancode))
         return true;
   }
   return false;
}

bool demoShown()
{
   return screenState == Watching && watch.demo;
}

void watchReplay(const Replay &replay, const std::string &file, ScreenState then, bool demo)
{
   watch.file = file;
   watch.then = then;
   watch.demo = demo;
   const std::string points = std::to_string(replay.finalScore) + " points";
   watch.title = demo
                    ? "Demo: press any key"
                    : (replay.name.empty() ? "Replay" : "Replay of " + replay.name) + ": " + points;
   watch.paused = false;
   watch.spaceHeld = watch.leftHeld = true;
   watch.lingering = 0;
   watch.leaving = false;
   // Only what is typed from now on ends a demo.
   keys->clearKeybuf();
   // A demo is silent.
   watch.playback = std::make_unique<Playback>(replay, !demo);
   screenState = Watching;
}

const Game *watchedGame()
{
   if (screenState != Watching || !watch.playback || watch.leaving)
      return nullptr;
   return &watch.playback->game();
}

std::optional<Replay> watchedSoFar()
{
   if (screenState != Watching || !watch.playback || watch.leaving)
      return std::nullopt;
   const Playback &p = *watch.playback;
   return replayUpTo(p.replay(), p.tick(), p.game().score);
}

void updateWatching()
{
   if (watch.leaving) {
      if (watch.then == Exit || !anyKeyHeld()) {
         screenState = watch.then;
         inputDelay = kScreenChangeDelay;
      }
      return;
   }
   if (watch.demo && (anyKeyHeld() || keys->keypressed())) {
      leave();
      return;
   }
   if (!watch.demo)
      playerKeys();
   if (watch.leaving || watch.paused)
      return;
   Playback &p = *watch.playback;
   const int steps = !watch.demo && keys->held(KEY_RIGHT) ? kFastSteps : 1;
   for (int i = 0; i < steps; i++)
      p.step();
   if (p.over() && ++watch.lingering > kLingerTicks)
      leave();
}

void stopWatching()
{
   if (watch.playback)
      leave();
}

void drawWatching()
{
   if (watch.leaving) {
      const ScreenRoutines after = routinesOf(watch.then);
      if (after.draw)
         after.draw();
      return;
   }
   const Playback &p = *watch.playback;
   drawPlayfield(p.game());
   const Replay &r = p.replay();
   rectfill(backBuffer, kBannerX1, kBannerY1, kBannerX2, kBannerY2, makecol(kPanelFace));
   const int ink = makecol(kPanelInk);
   rect(backBuffer, kBannerX1, kBannerY1, kBannerX2, kBannerY2, ink);
   textprintf_ex(backBuffer, font, kTextX, kBannerY1 + 6, ink, -1, "%s", watch.title.c_str());
   const bool fast = !watch.demo && keys->held(KEY_RIGHT);
   const std::string state = watch.paused ? "  paused"
                             : fast       ? "  x" + std::to_string(kFastSteps)
                                          : "";
   textprintf_ex(backBuffer, font, kTextX, kBannerY1 + 16, ink, -1, "%s of %s%s",
                 playingTime(p.tick()).c_str(), playingTime(r.ticks).c_str(), state.c_str());
   // The progress line fills as the replay plays.
   const int width = kBannerX2 - kBannerX1 - 20;
   const int done = r.ticks ? int(int64_t(width) * p.tick() / r.ticks) : width;
   rect(backBuffer, kTextX, kLineY, kTextX + width, kLineY + 3, ink);
   rectfill(backBuffer, kTextX, kLineY, kTextX + done, kLineY + 3, ink);
}
