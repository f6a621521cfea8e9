// Where the game says what a player should hear: every event of play and
// of the screens, passed to a sink that plays it (the mixer in the game, a
// recorder in tests). Sounds only follow the game: nothing here changes it.
#ifndef TOSSARO_AUDIO_SOUND_H
#define TOSSARO_AUDIO_SOUND_H

enum class Cue {
   Throw,          // a hand throws a ball; variant: the ball's colour
   ColourCleared,  // a ball clears one colour of a target; variant: the colour
   Collected,      // a target is collected; variant: its value's tier, 1 to 4
   TargetExpired,  // a partly cleared target's wait ran out
   TimerRanOut,    // the ten-second timer ran out: the energy starts to drain
   DrainSecond,    // one more second of energy drained
   HandsLetGo,     // the energy is gone
   GameOver,
   NameEntryOpened,
   NameStored,
   CursorMoved,
   ChoiceMade,
   PromptOpened,
   PromptAnswered,
};

// The colours a cue's variant names.
enum BallColour { RedBall = 0, GreenBall = 1, BlueBall = 2 };

class SoundSink {
public:
   virtual ~SoundSink() = default;
   // `loudness`, 0 to 1, scales the effect (a faster throw is louder).
   virtual void play(Cue cue, int variant, float loudness) = 0;
   virtual void toggleMute() = 0;
};

// Plays nothing: where cues go while no mixer plays them.
extern SoundSink *const silence;

// Where cues go: `silence`, but for the mixer between startSound and
// stopSound; a test may point it at its own.
extern SoundSink *sounds;

inline void playSound(Cue cue, int variant = 0, float loudness = 1)
{
   sounds->play(cue, variant, loudness);
}

#endif
