#include "replay/playback.h"

#include <algorithm>
#include <cstdio>

#include "game/ticks.h"

Playback::Playback(Replay replay, bool heard) : replay_(std::move(replay))
{
   game_.heard = heard;
   restart();
}

void Playback::restart()
{
   tick_ = 0;
   run_ = 0;
   usedOfRun_ = 0;
   divergence_.clear();
   const bool heard = game_.heard;
   game_ = Game(replay_.start);
   game_.heard = heard;
   if (replay_.ticks == 0 && game_.score != replay_.finalScore)
      diverge(scoreDifference());
}

std::string Playback::scoreDifference() const
{
   return ": score " + std::to_string(game_.score) + ", recorded " +
          std::to_string(replay_.finalScore);
}

void Playback::diverge(const std::string &why)
{
   divergence_ = "diverged at tick " + std::to_string(tick_) + why;
}

bool Playback::step()
{
   if (over())
      return false;
   while (usedOfRun_ == replay_.runs[run_].ticks) {
      run_++;
      usedOfRun_ = 0;
   }
   usedOfRun_++;
   const bool lost = game_.replayTick(replay_.runs[run_].actions);
   tick_++;
   const bool last = tick_ == replay_.ticks;
   if (tick_ % Replay::kCheckEvery == 0 &&
       game_.check() != replay_.checks[tick_ / Replay::kCheckEvery - 1])
      diverge("");
   else if (lost && !last)
      diverge(": the game was over there, before its recorded end");
   else if (last && replay_.endedByGameOver && !lost)
      diverge(": the recorded game was over there, this one is not");
   else if (last && game_.score != replay_.finalScore)
      diverge(scoreDifference());
   return true;
}

void Playback::seek(uint32_t tick)
{
   if (tick < tick_)
      restart();
   while (tick_ < tick && step()) {
   }
}

Replay replayUpTo(const Replay &replay, uint32_t tick, int32_t score)
{
   if (tick >= replay.ticks)
      return replay;
   Replay part = replay;
   part.ticks = tick;
   part.finalScore = score;
   part.endedByGameOver = false;
   part.runs.clear();
   for (uint32_t left = tick, k = 0; left > 0; k++) {
      const uint32_t ticks = std::min(left, replay.runs[k].ticks);
      part.runs.push_back({replay.runs[k].actions, ticks});
      left -= ticks;
   }
   part.checks.resize(tick / Replay::kCheckEvery);
   return part;
}

std::string verifyReplay(const Replay &replay, uint32_t *played)
{
   Playback playback(replay);
   while (playback.step()) {
   }
   if (played)
      *played = playback.tick();
   return playback.divergence();
}

std::string playingTime(uint32_t ticks)
{
   char text[32];
   const uint32_t seconds = ticks / kTicksPerSecond;
   const uint32_t hundredths = ticks % kTicksPerSecond * 100 / kTicksPerSecond;
   snprintf(text, sizeof text, "%u:%02u.%02u", seconds / 60, seconds % 60, hundredths);
   return text;
}
