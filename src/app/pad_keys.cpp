#include "app/pad_keys.h"

#include <allegro.h>

#include <memory>

#include "app/data_folder.h"
#include "app/main_loop.h"
#include "pad/gamepad.h"
#include "screens/name_entry.h"
#include "shell/key_bindings.h"

namespace {

// A stick counts as a held direction past half its travel, and stops
// counting once back below two fifths, so that it does not flicker at
// the edge.
const int kStickOn = kAxisTravel / 2, kStickOff = kAxisTravel * 2 / 5;
// A held D-pad direction in the name entry steps again after half a
// second, then every eighth of one.
const int kRepeatDelay = 50, kRepeatEvery = 12;

struct StickKeys {
   PadAxis axis;
   int minus, plus;  // the keys of the two directions
};

}  // namespace

bool PadKeys::held(int scancode)
{
   return keyboard_->held(scancode) || held_.count(scancode) != 0;
}

bool PadKeys::keypressed()
{
   return keyboard_->keypressed() || ready_ >= 0;
}

int PadKeys::readkey()
{
   if (keyboard_->keypressed())
      return keyboard_->readkey();
   const int c = ready_;
   ready_ = -1;
   return c;
}

void PadKeys::clearKeybuf()
{
   keyboard_->clearKeybuf();
   ready_ = -1;
}

bool PadKeys::stickPast(const PadState &pad, PadAxis axis, int sign)
{
   bool &on = stickHeld_[axis][sign > 0];
   const int travel = pad.axes[axis] * sign;
   on = on ? travel > kStickOff : travel > kStickOn;
   return on;
}

bool PadKeys::pressed(const PadState &pad, PadButton button) const
{
   return pad.buttons[button] && !last_.buttons[button];
}

void PadKeys::type(int c)
{
   typed_.push_back(c);
}

// Arcade style: up and down change the last character through the
// accepted set, right or A keeps it and starts the next, left or B takes
// it back.
void PadKeys::updateNameEntry(const PadState &pad)
{
   const bool up = pad.buttons[PadUp], down = pad.buttons[PadDown];
   repeatTicks_ = up || down ? repeatTicks_ + 1 : 0;
   const bool step =
      (up && !last_.buttons[PadUp]) || (down && !last_.buttons[PadDown]) ||
      (repeatTicks_ > kRepeatDelay && (repeatTicks_ - kRepeatDelay) % kRepeatEvery == 0);
   // A change goes in when the one before has been typed, so that it
   // starts from the character now shown.
   if (step && typed_.empty() && ready_ < 0) {
      const int n = int(kNameCharacters.size());
      const int at = playerName.empty() ? -1 : nameCharacterIndex(playerName.back());
      int next = up ? 0 : n - 1;
      if (at >= 0) {
         next = (at + (up ? 1 : n - 1)) % n;
         type(kBackspace);
      }
      type(kNameCharacters[size_t(next)]);
   }
   if (pressed(pad, PadRight) || pressed(pad, PadA))
      type(kNameCharacters[0]);
   if (pressed(pad, PadLeft) || pressed(pad, PadB))
      type(kBackspace);
   if (pad.buttons[PadStart]) {
      held_.insert(KEY_ENTER);
      if (!last_.buttons[PadStart])
         type(kEnter);
   }
   if (pad.buttons[PadBack])
      held_.insert(KEY_ESC);
}

void PadKeys::update(const PadState &pad, ScreenState screen)
{
   held_.clear();
   const auto hold = [&](bool when, int scancode) {
      if (when)
         held_.insert(scancode);
   };
   // The sticks are read on every screen, so that their hold follows them.
   bool towards[kPadAxes][2];
   for (int a = 0; a < kPadAxes; a++) {
      towards[a][0] = stickPast(pad, PadAxis(a), -1);
      towards[a][1] = stickPast(pad, PadAxis(a), 1);
   }
   const bool up = pad.buttons[PadUp] || towards[LeftY][0];
   const bool down = pad.buttons[PadDown] || towards[LeftY][1];
   switch (screen) {
   case Playing: {
      const StickKeys sticks[] = {{LeftX, keyFor(LeftTiltLeft), keyFor(LeftTiltRight)},
                                  {LeftY, keyFor(LeftPowerUp), keyFor(LeftPowerDown)},
                                  {RightX, keyFor(RightTiltLeft), keyFor(RightTiltRight)},
                                  {RightY, keyFor(RightPowerUp), keyFor(RightPowerDown)}};
      for (const StickKeys &s : sticks) {
         hold(towards[s.axis][0], s.minus);
         hold(towards[s.axis][1], s.plus);
      }
      hold(pad.buttons[PadLeft], keyFor(LeftTiltLeft));
      hold(pad.buttons[PadRight], keyFor(LeftTiltRight));
      hold(pad.buttons[PadUp], keyFor(LeftPowerUp));
      hold(pad.buttons[PadDown], keyFor(LeftPowerDown));
      hold(pad.buttons[PadStart], keyFor(OpenQuitPrompt));
      hold(pad.buttons[PadBack], keyFor(NewGame));
      hold(pad.buttons[PadY], keyFor(PauseGame));
      break;
   }
   case Paused:
      hold(pad.buttons[PadY], keyFor(PauseGame));
      hold(pad.buttons[PadStart], keyFor(OpenQuitPrompt));
      break;
   case QuitPrompt:
      hold(pad.buttons[PadA], KEY_Y);
      hold(pad.buttons[PadB] || pad.buttons[PadStart], KEY_N);
      break;
   case Menu:
      hold(up, KEY_UP);
      hold(down, KEY_DOWN);
      hold(pad.buttons[PadA], KEY_ENTER);
      hold(pad.buttons[PadBack], KEY_ESC);
      hold(pad.buttons[PadY], KEY_F1);
      break;
   case HowToPlay:
      hold(pad.buttons[PadA] || pad.buttons[PadStart], KEY_ENTER);
      hold(pad.buttons[PadB] || pad.buttons[PadBack] || pad.buttons[PadY], KEY_ESC);
      break;
   case ScoreTable:
      hold(up, KEY_UP);
      hold(down, KEY_DOWN);
      hold(pad.buttons[PadX], KEY_R);
      hold(pad.buttons[PadY], KEY_L);
      hold(pad.buttons[PadA] || pad.buttons[PadB] || pad.buttons[PadStart], KEY_ENTER);
      break;
   case Leaderboard:
      hold(pad.buttons[PadY], KEY_L);
      hold(pad.buttons[PadB] || pad.buttons[PadBack], KEY_ESC);
      break;
   case GameOver:
      hold(pad.buttons[PadA] || pad.buttons[PadB] || pad.buttons[PadStart], KEY_ENTER);
      break;
   case Watching:
      // Every button holds a key, so that any of them ends a demo.
      hold(pad.buttons[PadA] || pad.buttons[PadStart], KEY_SPACE);
      hold(pad.buttons[PadB] || pad.buttons[PadBack] || pad.buttons[PadX] || pad.buttons[PadY],
           KEY_ESC);
      hold(pad.buttons[PadLeft], KEY_LEFT);
      hold(pad.buttons[PadRight], KEY_RIGHT);
      hold(up, KEY_UP);
      hold(down, KEY_DOWN);
      break;
   case NameEntry:
      updateNameEntry(pad);
      break;
   default:
      break;
   }
   // The Guide button saves the picture wherever the player is.
   hold(pad.buttons[PadGuide], keyFor(SavePicture));
   if (screen != NameEntry)
      typed_.clear();
   if (ready_ < 0 && !typed_.empty()) {
      ready_ = typed_.front();
      typed_.pop_front();
   }
   last_ = pad;
}

namespace {

// The pad's keys, over the keyboard the screens read before; none until
// controllers start.
std::unique_ptr<PadKeys> padKeys;

}  // namespace

void startPadKeys()
{
   if (padKeys ||
       !startPads(userFile("XDG_CONFIG_HOME", ".config", "gamecontrollerdb.txt")).empty())
      return;
   padKeys = std::make_unique<PadKeys>(keys);
   keys = padKeys.get();
}

void readPadKeys()
{
   if (!padKeys)
      return;
   bool unplugged = false;
   const PadState pad = readPad(&unplugged);
   // A pad pulled out mid-game pauses it, as a lost focus does.
   if (unplugged)
      focusLost = true;
   padKeys->update(pad, screenState);
}

void stopPadKeys()
{
   if (!padKeys)
      return;
   stopPads();
   keys = padKeys->keyboard();
   padKeys.reset();
}
