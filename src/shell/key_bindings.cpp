#include "shell/key_bindings.h"

#include <allegro.h>

#include <cctype>

#include "shell/keyboard.h"

const KeyBindings kDefaultBindings = {{KEY_A, KEY_D, KEY_W, KEY_S, KEY_LEFT, KEY_RIGHT, KEY_UP,
                                       KEY_DOWN, KEY_SPACE, KEY_ESC, KEY_Q, KEY_F12, KEY_F9,
                                       KEY_P}};
KeyBindings playKeys = kDefaultBindings;

namespace {

const char *const kActionNames[kPlayActions] = {
   "left_tilt_left",  "left_tilt_right",  "left_power_up",  "left_power_down",
   "right_tilt_left", "right_tilt_right", "right_power_up", "right_power_down",
   "new_game",        "quit_prompt",      "quit",           "save_picture",
   "save_clip",       "pause",
};

// Keys other than letters, digits and F1 to F12, by the name the settings
// file gives them.
const struct {
   int scancode;
   const char *name;
} kNamedKeys[] = {
   {KEY_LEFT, "LEFT"},        {KEY_RIGHT, "RIGHT"},          {KEY_UP, "UP"},
   {KEY_DOWN, "DOWN"},        {KEY_SPACE, "SPACE"},          {KEY_ESC, "ESC"},
   {KEY_ENTER, "ENTER"},      {KEY_TAB, "TAB"},              {KEY_BACKSPACE, "BACKSPACE"},
   {KEY_INSERT, "INSERT"},    {KEY_DEL, "DELETE"},           {KEY_HOME, "HOME"},
   {KEY_END, "END"},          {KEY_PGUP, "PAGEUP"},          {KEY_PGDN, "PAGEDOWN"},
   {KEY_LSHIFT, "LSHIFT"},    {KEY_RSHIFT, "RSHIFT"},        {KEY_LCONTROL, "LCTRL"},
   {KEY_RCONTROL, "RCTRL"},   {KEY_ALT, "ALT"},              {KEY_ALTGR, "ALTGR"},
   {KEY_COMMA, "COMMA"},      {KEY_STOP, "PERIOD"},          {KEY_SLASH, "SLASH"},
   {KEY_SEMICOLON, "SEMICOLON"}, {KEY_QUOTE, "QUOTE"},       {KEY_MINUS, "MINUS"},
   {KEY_EQUALS, "EQUALS"},    {KEY_OPENBRACE, "LEFTBRACKET"}, {KEY_CLOSEBRACE, "RIGHTBRACKET"},
   {KEY_BACKSLASH, "BACKSLASH"}, {KEY_TILDE, "GRAVE"},
   {KEY_0_PAD, "PAD0"},       {KEY_1_PAD, "PAD1"},           {KEY_2_PAD, "PAD2"},
   {KEY_3_PAD, "PAD3"},       {KEY_4_PAD, "PAD4"},           {KEY_5_PAD, "PAD5"},
   {KEY_6_PAD, "PAD6"},       {KEY_7_PAD, "PAD7"},           {KEY_8_PAD, "PAD8"},
   {KEY_9_PAD, "PAD9"},       {KEY_PLUS_PAD, "PADPLUS"},     {KEY_MINUS_PAD, "PADMINUS"},
   {KEY_ENTER_PAD, "PADENTER"},
};

}  // namespace

ActionSet heldActions()
{
   ActionSet held = 0;
   for (int a = 0; a < kGameActions; a++) {
      if (keys->held(playKeys.keys[a]))
         held |= ActionSet(1u << a);
   }
   return held;
}

const char *actionName(PlayAction action)
{
   return kActionNames[action];
}

std::string keyName(int scancode)
{
   if (scancode >= KEY_A && scancode <= KEY_Z)
      return std::string(1, char('A' + scancode - KEY_A));
   if (scancode >= KEY_0 && scancode <= KEY_9)
      return std::string(1, char('0' + scancode - KEY_0));
   if (scancode >= KEY_F1 && scancode <= KEY_F12)
      return "F" + std::to_string(scancode - KEY_F1 + 1);
   for (const auto &k : kNamedKeys) {
      if (k.scancode == scancode)
         return k.name;
   }
   return std::string();
}

int keyOfName(const std::string &name)
{
   std::string upper;
   for (char c : name)
      upper += char(std::toupper(static_cast<unsigned char>(c)));
   for (int scancode = 1; scancode < KEY_MAX; scancode++) {
      if (!upper.empty() && keyName(scancode) == upper)
         return scancode;
   }
   return -1;
}

std::vector<std::string> settleConflicts(KeyBindings *bindings)
{
   std::vector<std::string> lines;
   // A default given back may clash in turn; the defaults never clash
   // among themselves, so this ends.
   for (bool settled = false; !settled;) {
      settled = true;
      bool clash[kPlayActions] = {};
      for (int a = 0; a < kPlayActions; a++) {
         if (bindings->keys[a] == KEY_M) {
            clash[a] = true;
            lines.push_back(std::string(kActionNames[a]) + " and mute are both on M");
         }
         for (int b = a + 1; b < kPlayActions; b++) {
            if (bindings->keys[a] == bindings->keys[b]) {
               clash[a] = clash[b] = true;
               lines.push_back(std::string(kActionNames[a]) + " and " + kActionNames[b] +
                               " are both on " + keyName(bindings->keys[a]));
            }
         }
      }
      for (int a = 0; a < kPlayActions; a++) {
         if (clash[a] && bindings->keys[a] != kDefaultBindings.keys[a]) {
            bindings->keys[a] = kDefaultBindings.keys[a];
            settled = false;
         }
      }
   }
   return lines;
}
