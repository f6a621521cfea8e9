// The application's screens without a display: a 16-bit memory bitmap as
// the screen, small stand-in assets, and a scripted keyboard.
#ifndef TOSSARO_TESTS_APP_FIXTURE_H
#define TOSSARO_TESTS_APP_FIXTURE_H

#include <SDL.h>
#include <allegro.h>
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "audio/sound.h"
#include "shell/keyboard.h"

class ScriptedKeys : public KeySource {
public:
   bool held(int scancode) override { return down.count(scancode) != 0; }
   bool keypressed() override { return !buffer.empty(); }
   int readkey() override
   {
      const int k = buffer.front();
      buffer.pop_front();
      return k;
   }
   void clearKeybuf() override
   {
      buffer.clear();
      clears++;
   }

   std::set<int> down;
   std::deque<int> buffer;
   int clears = 0;
};

// The cues the game gives, in order, with the tick each came in.
class RecordedSounds : public SoundSink {
public:
   struct Played {
      int tick;
      Cue cue;
      int variant;
      float loudness;
      bool operator==(const Played &o) const
      {
         return tick == o.tick && cue == o.cue && variant == o.variant && loudness == o.loudness;
      }
   };
   void play(Cue cue, int variant, float loudness) override
   {
      played.push_back({tick, cue, variant, loudness});
   }
   void toggleMute() override { mutes++; }
   // The cues of one kind.
   std::vector<Played> of(Cue cue) const;

   std::vector<Played> played;
   int tick = 0;  // set by the test as it runs ticks
   int mutes = 0;
};

class AppTest : public testing::Test {
protected:
   // Stand-in assets on top of the memory screen and scripted keys.
   void SetUp() override;
   void TearDown() override;

   // 16-bit colour, a memory screen, the scripted keys in place of the
   // keyboard, the cues recorded, and the shell's state as at start-up;
   // undone by the second.
   void useMemoryScreenAndScriptedKeys();
   void restoreScreenAndKeys();

   // Colours of the stand-in assets, at 16 bits.
   int textureColor() const { return makecol(200, 100, 40); }
   int bannerColor() const { return makecol(20, 120, 220); }
   int scoresBannerColor() const { return makecol(220, 20, 120); }
   int particleColor() const { return makecol(255, 255, 0); }
   int logoColor() const { return makecol(0, 255, 0); }

   ScriptedKeys scripted;
   RecordedSounds heard;
   BITMAP *savedScreen = nullptr;
   KeySource *savedKeys = nullptr;
   SoundSink *savedSounds = nullptr;
};

// SDL's virtual game controller, in the standard layout, plugged in from
// construction until unplug() or destruction; stick() is null (and
// `error` says why) when it could not be.
class VirtualPad {
public:
   VirtualPad();
   ~VirtualPad() { unplug(); }
   VirtualPad(const VirtualPad &) = delete;
   VirtualPad &operator=(const VirtualPad &) = delete;
   SDL_Joystick *stick() const { return stick_; }
   void unplug();
   std::string error;

private:
   int device_ = -1;
   SDL_Joystick *stick_ = nullptr;
};

// Whether any pixel of the rectangle has the colour.
bool has_color(BITMAP *bitmap, int x0, int y0, int x1, int y1, int color);

// Where `text` shows in the bitmap, written in `color` (not black) by
// the game's font: the top left of its first showing from the top, its
// pixels in that colour exactly where the font's are; {-1, -1} when it
// shows nowhere.
struct TextPlace {
   int x, y;
};
TextPlace find_text(BITMAP *bitmap, const std::string &text, int color);

#endif
