// The effects in sounds/: made again byte for byte, shaped so that they
// neither click nor clip, and mixed within the voices and headroom the
// game allows; SDL's disk and dummy drivers stand in for a sound card.
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <thread>

#include "audio/mixer.h"
#include "audio/sound.h"
#include "audio/sound_files.h"
#include "sound/sound_set.h"
#include "support/scratch.h"

namespace {

const std::string kSounds = std::string(TOSSARO_SOURCE_DIR) + "/sounds";

// The 16-bit samples of a WAV file the generator writes (44-byte header).
std::vector<int16_t> samples_of(const std::vector<unsigned char> &wav)
{
   std::vector<int16_t> samples;
   for (size_t i = 44; i + 1 < wav.size(); i += 2)
      samples.push_back(int16_t(wav[i] | wav[i + 1] << 8));
   return samples;
}

uint32_t u32_at(const std::vector<unsigned char> &b, size_t i)
{
   return b[i] | b[i + 1] << 8 | b[i + 2] << 16 | uint32_t(b[i + 3]) << 24;
}

TEST(Sounds, TheGeneratorMakesTheCommittedFilesAndNoOthers)
{
   Scratch scratch;
   ASSERT_EQ(make_sounds(scratch.path("")), "");
   for (const SoundFile &file : soundFiles()) {
      const std::vector<unsigned char> bytes = read_file(scratch.path(file.name));
      ASSERT_FALSE(bytes.empty()) << file.name;
      EXPECT_TRUE(bytes == read_file(kSounds + "/" + file.name))
         << file.name << " differs from sounds/";
   }
   const auto files = std::filesystem::directory_iterator(kSounds);
   EXPECT_EQ(size_t(std::distance(begin(files), end(files))), soundFiles().size())
      << "sounds/ holds a file that the game does not play";
}

TEST(Sounds, EachStartsAndEndsSilentPeaksAtMinusThreeDecibelsAndIsShort)
{
   const std::set<std::string> jingles = {"chime-1.wav", "chime-2.wav", "chime-3.wav",
                                          "chime-4.wav", "let-go.wav",  "game-over.wav",
                                          "fanfare.wav"};
   const int minusThreeDb = int(32767 * std::pow(10.0, -3.0 / 20));
   for (const SoundFile &file : soundFiles()) {
      const std::vector<unsigned char> wav = read_file(kSounds + "/" + file.name);
      ASSERT_GE(wav.size(), 46u) << file.name;
      EXPECT_EQ(u32_at(wav, 24), 44100u) << file.name;     // sample rate
      EXPECT_EQ(wav[22] | wav[23] << 8, 1) << file.name;   // channels
      EXPECT_EQ(wav[34] | wav[35] << 8, 16) << file.name;  // bits
      EXPECT_EQ(u32_at(wav, 40), wav.size() - 44) << file.name;
      const std::vector<int16_t> s = samples_of(wav);
      const int peak = pcm16_peak(wav, 44, wav.size());
      EXPECT_LE(peak, minusThreeDb) << file.name;
      EXPECT_GT(peak, minusThreeDb / 10) << file.name << " is all but silent";
      // A step from silence to the first sample, or from the last one, clicks.
      EXPECT_LE(std::abs(int(s.front())), 100) << file.name;
      EXPECT_LE(std::abs(int(s.back())), 100) << file.name;
      const double seconds = s.size() / 44100.0;
      EXPECT_LT(seconds, jingles.count(file.name) ? 2.0 : 0.4) << file.name;
   }
}

class Mixing : public testing::Test {
protected:
   void TearDown() override
   {
      stopSound();
      unsetenv("SDL_AUDIODRIVER");
      unsetenv("SDL_DISKAUDIOFILE");
   }
};

TEST_F(Mixing, VoicesOfOneEffectAndOfAllAreBoundedTheOldestGivingWay)
{
   setenv("SDL_AUDIODRIVER", "dummy", 1);
   ASSERT_EQ(startSound(kSounds, 80), "");
   for (int i = 0; i < 5; i++)
      playSound(Cue::Collected, 4);
   EXPECT_EQ(Mix_Playing(-1), 3);
   // Effects long enough to be still playing when counted.
   const std::pair<Cue, int> longOnes[] = {{Cue::Collected, 2},       {Cue::Collected, 3},
                                           {Cue::HandsLetGo, 0},      {Cue::GameOver, 0},
                                           {Cue::NameEntryOpened, 0}, {Cue::Collected, 4}};
   for (int round = 0; round < 3; round++) {
      for (const auto &[cue, variant] : longOnes)
         playSound(cue, variant);
   }
   EXPECT_EQ(Mix_Playing(-1), 16);
   sounds->toggleMute();
   EXPECT_EQ(Mix_Playing(-1), 0);
   playSound(Cue::GameOver);
   EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST_F(Mixing, ABusyTickAtFullVolumeDoesNotClip)
{
   Scratch scratch;
   setenv("SDL_AUDIODRIVER", "disk", 1);
   setenv("SDL_DISKAUDIOFILE", scratch.path("out.raw").c_str(), 1);
   ASSERT_EQ(startSound(kSounds, 100), "");
   for (int colour : {RedBall, GreenBall, BlueBall})
      playSound(Cue::Throw, colour);
   playSound(Cue::Collected, 4);
   playSound(Cue::ColourCleared, GreenBall);
   std::this_thread::sleep_for(std::chrono::milliseconds(1200));
   stopSound();
   const std::vector<unsigned char> raw = read_file(scratch.path("out.raw"));
   ASSERT_GT(raw.size(), 2 * 44100u) << "the disk driver wrote less than half a second";
   EXPECT_GT(pcm16_peak(raw, 0, raw.size()), 8000);
   EXPECT_LT(pcm16_peak(raw, 0, raw.size()), 32767);
}

TEST_F(Mixing, AnEffectThatCannotBeHadIsNamedAndTheOthersPlay)
{
   const std::vector<unsigned char> bell = read_file(kSounds + "/bell-red.wav");
   const auto put32 = [](std::vector<unsigned char> *wav, size_t at, size_t value) {
      for (int i = 0; i < 4; i++)
         (*wav)[at + i] = value >> 8 * i & 0xff;
   };
   // A WAV file of over 4 MiB: bell-red.wav with silence after it, which
   // its header counts in.
   std::vector<unsigned char> large = bell;
   large.resize((4 << 20) + 2);
   put32(&large, 4, large.size() - 8);
   put32(&large, 40, large.size() - 44);
   // One of 1 MiB that the mixer makes 22 MiB: 8-bit silence at 8 kHz.
   std::vector<unsigned char> widened(bell.begin(), bell.begin() + 44);
   widened.resize(44 + (1 << 20), 0x80);
   put32(&widened, 4, widened.size() - 8);
   put32(&widened, 24, 8000);  // samples a second
   put32(&widened, 28, 8000);  // bytes a second
   put32(&widened, 32, 1 | 8 << 16);  // bytes a sample, bits a sample
   put32(&widened, 40, widened.size() - 44);
   const struct {
      const char *why;
      const std::vector<unsigned char> *bytes;  // null for none
      bool fifo;
   } cases[] = {
      {"No such file", nullptr, false},
      {"more than the", &large, false},
      {"once loaded, more than the 16777216", &widened, false},
      // With no writer, opening it would hold the game.
      {"a FIFO", nullptr, true},
   };
   setenv("SDL_AUDIODRIVER", "dummy", 1);
   for (const auto &c : cases) {
      SCOPED_TRACE(c.why);
      Scratch scratch;
      for (const SoundFile &file : soundFiles()) {
         if (std::string(file.name) != "bell-red.wav")
            scratch.write(file.name, read_file(kSounds + "/" + file.name));
      }
      const std::string red = scratch.path("bell-red.wav");
      if (c.bytes)
         scratch.write("bell-red.wav", *c.bytes);
      if (c.fifo) {
         ASSERT_EQ(mkfifo(red.c_str(), 0600), 0);
      }
      testing::internal::CaptureStderr();
      ASSERT_EQ(startSound(scratch.path(""), 80), "");
      const std::string said = testing::internal::GetCapturedStderr();
      EXPECT_NE(said.find("/bell-red.wav: "), std::string::npos) << said;
      EXPECT_NE(said.find(c.why), std::string::npos) << said;
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
      playSound(Cue::ColourCleared, RedBall);
      EXPECT_EQ(Mix_Playing(-1), 0);
      playSound(Cue::ColourCleared, GreenBall);
      EXPECT_EQ(Mix_Playing(-1), 1);
      stopSound();
   }
}

TEST_F(Mixing, AnAudioDriverThatDoesNotExistGivesAReasonAndSilence)
{
   setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
   SoundSink *before = sounds;
   EXPECT_NE(startSound(kSounds, 80), "");
   EXPECT_EQ(sounds, before);
}

}  // namespace
