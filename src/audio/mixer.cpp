#include "audio/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <algorithm>
#include <string>

#include "audio/sound.h"
#include "audio/sound_files.h"
#include "files/input_file.h"
#include "files/say.h"

namespace {

const int kRate = 44100;
// 512 frames at 44.1 kHz: a sound starts within about 12 ms of its cue.
const int kBufferFrames = 512;
const int kVoicesPerEffect = 3;
// Each voice plays at half scale at most, so that the effects of one busy
// tick (three throws, a chime and a bell) add up without clipping.
const float kHeadroom = 0.5f;
// The largest effect is a fraction of a megabyte; a file far larger is
// not one of them, and would take the mixer's memory for the whole run.
const size_t kLargestEffect = 4 << 20;
// What an effect may take once the mixer has made it 16-bit stereo at its
// rate: a file well under kLargestEffect, of 8-bit samples at 8 kHz,
// grows twenty-two times over.
const Uint32 kLargestLoadedEffect = 16 << 20;

}  // namespace

Mixer mixer;

// A channel for the effect: a free one, unless the effect already sounds
// on kVoicesPerEffect channels; else the oldest voice of the effect, or
// of all, gives way.
int Mixer::freeVoice(int effect)
{
   int oldestOfEffect = -1, oldest = -1, voicesOfEffect = 0, idle = -1;
   for (int c = 0; c < kVoices; c++) {
      if (!Mix_Playing(c)) {
         if (idle < 0)
            idle = c;
         continue;
      }
      if (oldest < 0 || startedOn[c] < startedOn[oldest])
         oldest = c;
      if (effectOn[c] == effect) {
         voicesOfEffect++;
         if (oldestOfEffect < 0 || startedOn[c] < startedOn[oldestOfEffect])
            oldestOfEffect = c;
      }
   }
   const int channel = voicesOfEffect >= kVoicesPerEffect ? oldestOfEffect
                       : idle >= 0                        ? idle
                                                          : oldest;
   Mix_HaltChannel(channel);
   return channel;
}

void Mixer::play(Cue cue, int variant, float loudness)
{
   const int effect = soundFileIndex(cue, variant);
   if (muted || effect < 0 || !chunks[size_t(effect)])
      return;
   const int channel = freeVoice(effect);
   const float gain = kHeadroom * float(volume) / kMaxVolume * std::clamp(loudness, 0.0f, 1.0f);
   Mix_Volume(channel, int(gain * MIX_MAX_VOLUME + 0.5f));
   if (Mix_PlayChannel(channel, chunks[size_t(effect)], 0) < 0)
      return;
   effectOn[channel] = effect;
   startedOn[channel] = ++plays;
}

void Mixer::toggleMute()
{
   muted = !muted;
   if (muted)
      Mix_HaltChannel(-1);
}

namespace {

void ignoreAlsaMessage(const char *, int, const char *, int, const char *, ...) {}

// ALSA prints its own lines when it finds no card; the one line that
// says there is no sound is ours. SDL loads ALSA itself, at run time, so
// the library is reached the same way.
void quietenAlsa()
{
   using Handler = void (*)(const char *, int, const char *, int, const char *, ...);
   void *alsa = dlopen("libasound.so.2", RTLD_LAZY);
   if (!alsa)
      return;
   const auto setHandler =
      reinterpret_cast<int (*)(Handler)>(dlsym(alsa, "snd_lib_error_set_handler"));
   if (setHandler)
      setHandler(ignoreAlsaMessage);
}

// One effect, read whole before the mixer decodes it; null, and a line on
// stderr, when it cannot be.
Mix_Chunk *loadEffect(const std::string &path)
{
   const InputFile wav = read_input_file(path, kLargestEffect);
   if (!wav.problem.empty()) {
      say(wav.problem);
      return nullptr;
   }
   Mix_Chunk *chunk =
      Mix_LoadWAV_RW(SDL_RWFromConstMem(wav.bytes.data(), int(wav.bytes.size())), 1);
   if (!chunk) {
      say(path + ": cannot load: " + Mix_GetError());
   } else if (chunk->alen > kLargestLoadedEffect) {
      say(path + ": " + std::to_string(chunk->alen) + " bytes once loaded, more than the " +
          std::to_string(kLargestLoadedEffect) + " an effect may take; it is left out");
      Mix_FreeChunk(chunk);
      chunk = nullptr;
   }
   return chunk;
}

}  // namespace

std::string startSound(const std::string &folder, int volume)
{
   // The game's own handlers of SIGINT, SIGTERM and SIGHUP stay in place.
   SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
   quietenAlsa();
   if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
      return SDL_GetError();
   if (Mix_OpenAudio(kRate, AUDIO_S16SYS, 2, kBufferFrames) != 0) {
      const std::string reason = Mix_GetError();
      SDL_QuitSubSystem(SDL_INIT_AUDIO);
      return reason;
   }
   Mix_AllocateChannels(kVoices);
   mixer.volume = std::clamp(volume, 0, kMaxVolume);
   mixer.muted = false;
   mixer.chunks.clear();
   for (const SoundFile &file : soundFiles())
      mixer.chunks.push_back(loadEffect(folder + "/" + file.name));
   sounds = &mixer;
   return std::string();
}

void stopSound()
{
   if (sounds != &mixer)
      return;
   sounds = silence;
   Mix_HaltChannel(-1);
   for (Mix_Chunk *chunk : mixer.chunks)
      Mix_FreeChunk(chunk);
   mixer.chunks.clear();
   Mix_CloseAudio();
   SDL_QuitSubSystem(SDL_INIT_AUDIO);
}
