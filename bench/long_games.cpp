#include "long_games.h"

#include <random>
#include <vector>

#include "game/game.h"
#include "replay/playback.h"
#include "replay/recorder.h"

namespace {

// A plan is a choice of hand actions for each stretch of play; plans are
// tried on copies of the game, as far ahead as a collection must come
// within the timer's ten seconds.
const uint32_t kStretch = 50;
const uint32_t kHorizon = 900;
const int kTries = 48;
// Where none of them collects, many more are tried before the game plays
// on without one.
const int kMoreTries = 1000;

int64_t clockTime;

time_t fixedClock(time_t *)
{
   return time_t(clockTime);
}

using Plan = std::vector<ActionSet>;

// The tick of the plan on which the game first collects, or none.
uint32_t firstCollection(const Game &game, const Plan &plan)
{
   Game ahead = game;
   ahead.listener = nullptr;
   for (uint32_t t = 0; t < kHorizon; t++) {
      if (ahead.tick(plan[t / kStretch]).over)
         return kHorizon;
      if (ahead.score != game.score)
         return t;
   }
   return kHorizon;
}

}  // namespace

Replay longGame(int64_t startTime, uint32_t ticks, const std::string &name)
{
   Recorder recorder("bench");
   Game game;
   game.listener = &recorder;
   clockTime = startTime;
   game.clock = fixedClock;
   game.start(0, false);
   std::mt19937 choices{uint32_t(startTime)};
   // Tilt and power only, never a new game nor the prompt.
   const ActionSet hands = ActionSet((1u << RightPowerDown) * 2 - 1);
   Plan plan(kHorizon / kStretch), best;
   bool over = false;
   for (uint32_t played = 0; played < ticks && !over;) {
      uint32_t soonest = kHorizon;
      for (int k = 0;
           k < kMoreTries && soonest > kHorizon / 4 && (k < kTries || soonest == kHorizon); k++) {
         for (ActionSet &actions : plan)
            actions = ActionSet(choices() & hands);
         const uint32_t at = firstCollection(game, plan);
         if (at < soonest || best.empty()) {
            soonest = at;
            best = plan;
         }
      }
      // Up to the collection, or a stretch when none was found.
      const uint32_t until = soonest < kHorizon ? soonest + 1 : kStretch;
      for (uint32_t t = 0; t < until && played < ticks && !over; t++, played++)
         over = game.tick(best[t / kStretch]).over;
   }
   recorder.finish(game.score);
   Replay replay = *recorder.finished();
   replay.name = name;
   return replay;
}

std::vector<Replay> beginningsOf(const Replay &game, size_t count, uint32_t step)
{
   // The score after every tick, from one play of the whole.
   std::vector<int32_t> scores{0};
   Playback playback(game);
   while (playback.step())
      scores.push_back(playback.game().score);
   std::vector<Replay> beginnings;
   for (uint32_t k = 1; beginnings.size() < count && uint64_t(k) * step < game.ticks; k++) {
      const uint32_t ticks = game.ticks - k * step;
      beginnings.push_back(replayUpTo(game, ticks, scores[ticks]));
   }
   return beginnings;
}
