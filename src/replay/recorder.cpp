#include "replay/recorder.h"

void Recorder::started(const Game &game, const GameStart &start)
{
   finish(game.score);
   current_ = Replay();
   current_.gameVersion = version_;
   current_.start = start;
   recording_ = true;
}

void Recorder::ticked(const Game &game, ActionSet actions, bool over)
{
   if (!recording_)
      return;
   std::vector<ActionRun> &runs = current_.runs;
   if (!runs.empty() && runs.back().actions == actions && runs.back().ticks < UINT32_MAX)
      runs.back().ticks++;
   else
      runs.push_back({actions, 1});
   current_.ticks++;
   if (current_.ticks % Replay::kCheckEvery == 0)
      current_.checks.push_back(game.check());
   current_.endedByGameOver = over;
}

Replay Recorder::soFar(int32_t score) const
{
   Replay replay = current_;
   replay.finalScore = score;
   return replay;
}

void Recorder::finish(int32_t score)
{
   if (!recording_)
      return;
   current_.finalScore = score;
   finished_ = std::move(current_);
   recording_ = false;
}
