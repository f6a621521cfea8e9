#include "sound_set.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "audio/sound_files.h"
#include "files/replacement_file.h"
#include "synth.h"
#include "wav_file.h"

namespace {

// Equal-tempered notes.
const double C3 = 130.81, E3 = 164.81, G3 = 196.00;
const double F4 = 349.23, A4 = 440.00;
const double C4 = 261.63, E4 = 329.63, G4 = 392.00;
const double C5 = 523.25, E5 = 659.26, G5 = 783.99;
const double C6 = 1046.50, E6 = 1318.51;

// The balls' own notes, red, green and blue: a major triad, so that any
// of them sounding together stays in tune.
const double kBallNotes[3] = {C4, E4, G4};

// A soft, round pop: the pitch drops onto the ball's note as the hand
// lets go, over a little thud of low noise.
Track pop(double note)
{
   Track t;
   add_glide(t, 0, note * 1.8, note, 0.13, {{1, 1, 28}, {2, 0.25, 45}}, 0.003);
   add_noise(t, 0, 0.03, 0.35, 120, 1200);
   normalise(t, -4);
   return t;
}

// A small bell: inharmonic partials that die away at their own rates.
Track bell(double note)
{
   Track t;
   add_note(t, 0, note, 0.38, {{1, 1, 7}, {2, 0.45, 10}, {2.76, 0.3, 13}, {5.4, 0.12, 22}}, 0.002);
   normalise(t, -4);
   return t;
}

// A rising arpeggio of bells: more notes, longer and brighter for a
// target of higher value (tier 1 to 4).
Track chime(int tier)
{
   const double notes[] = {C5, E5, G5, C6, E6};
   const double brightness = 0.1 + 0.08 * tier;
   const double gap = 0.075;
   Track t;
   for (int i = 0; i <= tier; i++) {
      const double length = 0.3 + 0.08 * tier;
      add_note(t, gap * i, notes[i], length,
               {{1, 1, 6}, {2, 0.4, 9}, {3, brightness, 12}, {4.2, brightness / 2, 18}}, 0.002);
   }
   normalise(t, -3);
   return t;
}

Track expire()
{
   Track t;
   add_glide(t, 0, 880, 440, 0.14, {{1, 1, 8}, {3, 0.15, 10}});
   normalise(t, -6);
   return t;
}

// Two falling notes with a reedy edge: the timer has run out.
Track timer_out()
{
   const std::initializer_list<Partial> reed = {{1, 1, 4}, {3, 0.3, 6}, {5, 0.12, 8}};
   Track t;
   add_note(t, 0, A4, 0.18, reed);
   add_note(t, 0.19, F4, 0.2, reed);
   normalise(t, -5);
   return t;
}

Track drain_tick()
{
   Track t;
   add_note(t, 0, 1800, 0.035, {{1, 1, 110}}, 0.001);
   add_noise(t, 0, 0.02, 0.3, 200, 4000);
   normalise(t, -14);
   return t;
}

// The hands let go: a long slide down.
Track let_go()
{
   Track t;
   add_glide(t, 0, 660, 110, 0.9, {{1, 1, 1.2}, {2, 0.3, 2}, {3, 0.1, 3}}, 0.01);
   normalise(t, -4);
   return t;
}

// A short cadence falling to the low tonic.
Track game_over()
{
   const std::initializer_list<Partial> soft = {{1, 1, 2.5}, {3, 0.11, 4}, {5, 0.04, 6}};
   Track t;
   add_note(t, 0, G3, 0.3, soft, 0.01);
   add_note(t, 0.28, E3, 0.3, soft, 0.01);
   add_note(t, 0.56, C3, 0.75, soft, 0.01);
   normalise(t, -4);
   return t;
}

// A rising fanfare of brassy notes, the last one held.
Track fanfare()
{
   const std::initializer_list<Partial> brass = {{1, 1, 2}, {2, 0.5, 3}, {3, 0.3, 4}, {4, 0.15, 5}};
   const double notes[] = {C5, E5, G5, C6};
   Track t;
   for (int i = 0; i < 4; i++)
      add_note(t, 0.11 * i, notes[i], i == 3 ? 0.6 : 0.12, brass, 0.008);
   normalise(t, -3.5);
   return t;
}

Track name_stored()
{
   const std::initializer_list<Partial> bellish = {{1, 1, 6}, {2, 0.4, 9}, {3, 0.15, 12}};
   Track t;
   add_note(t, 0, G5, 0.12, bellish, 0.002);
   add_note(t, 0.08, C6, 0.3, bellish, 0.002);
   normalise(t, -4);
   return t;
}

// A quiet click: a very short note over a tick of noise.
Track click(double note, double length, double peakDb)
{
   Track t;
   add_note(t, 0, note, length, {{1, 1, 4 / length}}, 0.001);
   add_noise(t, 0, length * 0.6, 0.25, 3 / length, 5000);
   normalise(t, peakDb);
   return t;
}

// The effect that plays a cue and variant of the game's list.
Track make_sound(Cue cue, int variant)
{
   switch (cue) {
   case Cue::Throw:
      return pop(kBallNotes[variant]);
   case Cue::ColourCleared:
      return bell(2 * kBallNotes[variant]);
   case Cue::Collected:
      return chime(variant);
   case Cue::TargetExpired:
      return expire();
   case Cue::TimerRanOut:
      return timer_out();
   case Cue::DrainSecond:
      return drain_tick();
   case Cue::HandsLetGo:
      return let_go();
   case Cue::GameOver:
      return game_over();
   case Cue::NameEntryOpened:
      return fanfare();
   case Cue::NameStored:
      return name_stored();
   case Cue::CursorMoved:
      return click(2400, 0.02, -16);
   case Cue::ChoiceMade:
      return click(1200, 0.045, -13);
   case Cue::PromptOpened:
      return click(700, 0.06, -13);
   case Cue::PromptAnswered:
      return click(1000, 0.04, -14);
   }
   return Track();
}

}  // namespace

std::string make_sounds(const std::string &folder)
{
   if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST)
      return folder + ": cannot make the folder: " + strerror(errno);
   for (const SoundFile &file : soundFiles()) {
      const std::string error =
         replace_file(folder + "/" + file.name,
                      wav_bytes(to_pcm16(make_sound(file.cue, file.variant)), kSampleRate));
      if (!error.empty())
         return error;
   }
   return std::string();
}
