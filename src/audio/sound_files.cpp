#include "audio/sound_files.h"

const std::vector<SoundFile> &soundFiles()
{
   static const std::vector<SoundFile> files = {
      {Cue::Throw, RedBall, "throw-red.wav"},
      {Cue::Throw, GreenBall, "throw-green.wav"},
      {Cue::Throw, BlueBall, "throw-blue.wav"},
      {Cue::ColourCleared, RedBall, "bell-red.wav"},
      {Cue::ColourCleared, GreenBall, "bell-green.wav"},
      {Cue::ColourCleared, BlueBall, "bell-blue.wav"},
      {Cue::Collected, 1, "chime-1.wav"},
      {Cue::Collected, 2, "chime-2.wav"},
      {Cue::Collected, 3, "chime-3.wav"},
      {Cue::Collected, 4, "chime-4.wav"},
      {Cue::TargetExpired, 0, "expire.wav"},
      {Cue::TimerRanOut, 0, "timer-out.wav"},
      {Cue::DrainSecond, 0, "drain-tick.wav"},
      {Cue::HandsLetGo, 0, "let-go.wav"},
      {Cue::GameOver, 0, "game-over.wav"},
      {Cue::NameEntryOpened, 0, "fanfare.wav"},
      {Cue::NameStored, 0, "name-stored.wav"},
      {Cue::CursorMoved, 0, "click-move.wav"},
      {Cue::ChoiceMade, 0, "click-choose.wav"},
      {Cue::PromptOpened, 0, "click-prompt.wav"},
      {Cue::PromptAnswered, 0, "click-answer.wav"},
   };
   return files;
}

int soundFileIndex(Cue cue, int variant)
{
   const std::vector<SoundFile> &files = soundFiles();
   for (size_t i = 0; i < files.size(); i++) {
      if (files[i].cue == cue && files[i].variant == variant)
         return int(i);
   }
   return -1;
}
