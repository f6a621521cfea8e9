#include "replay/recorder.h"

#include <cstring>

void Recorder::started(const GameStart &start)
{
   finish();
   current_ = Replay();
   current_.gameVersion = version_;
   current_.start = start;
   recording_ = true;
}

void Recorder::ticked(ActionSet actions, bool over)
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
      current_.checks.push_back(gameCheck());
   current_.endedByGameOver = over;
}

Replay Recorder::soFar() const
{
   Replay replay = current_;
   replay.finalScore = score;
   return replay;
}

void Recorder::finish()
{
   if (!recording_)
      return;
   current_.finalScore = score;
   finished_ = std::move(current_);
   recording_ = false;
}

namespace {

class Fnv {
public:
   void add(uint32_t v)
   {
      for (int k = 0; k < 4; k++) {
         hash_ ^= v >> (8 * k) & 0xff;
         hash_ *= 16777619u;
      }
   }
   void add(float f)
   {
      uint32_t bits;
      memcpy(&bits, &f, 4);
      add(bits);
   }
   uint32_t value() const { return hash_; }

private:
   uint32_t hash_ = 2166136261u;
};

}  // namespace

uint32_t gameCheck()
{
   Fnv fnv;
   fnv.add(uint32_t(score));
   fnv.add(energy);
   fnv.add(hitTimer);
   for (const Ball &ball : balls) {
      for (float v : {ball.x, ball.y, ball.vx, ball.vy})
         fnv.add(v);
   }
   return fnv.value();
}
