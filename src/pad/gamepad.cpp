#include "pad/gamepad.h"

#include <SDL.h>

#include "files/input_file.h"
#include "files/say.h"

int drivingPad = -1;
bool padsStarted = false;

namespace {

const SDL_GameControllerButton kButtons[kPadButtons] = {
   SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,
   SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,
   SDL_CONTROLLER_BUTTON_DPAD_UP,   SDL_CONTROLLER_BUTTON_DPAD_DOWN,
   SDL_CONTROLLER_BUTTON_DPAD_LEFT, SDL_CONTROLLER_BUTTON_DPAD_RIGHT,
   SDL_CONTROLLER_BUTTON_GUIDE,     SDL_CONTROLLER_BUTTON_X,
   SDL_CONTROLLER_BUTTON_Y,
};
const SDL_GameControllerAxis kAxes[kPadAxes] = {
   SDL_CONTROLLER_AXIS_LEFTX, SDL_CONTROLLER_AXIS_LEFTY, SDL_CONTROLLER_AXIS_RIGHTX,
   SDL_CONTROLLER_AXIS_RIGHTY};

// The community's database of every controller known is under a
// megabyte; a larger file is not a mappings file.
const size_t kLargestMappings = 4 << 20;

// The first controller that opens, when none drives.
void takeFirstController()
{
   for (int i = 0; drivingPad < 0 && i < SDL_NumJoysticks(); i++) {
      SDL_GameController *pad = SDL_IsGameController(i) ? SDL_GameControllerOpen(i) : nullptr;
      if (pad)
         drivingPad = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad));
   }
}

void closeDrivingPad()
{
   SDL_GameControllerClose(SDL_GameControllerFromInstanceID(drivingPad));
   drivingPad = -1;
}

// The player's own mappings, when there is such a file; anything else
// that stands at its name is named and skipped.
void addMappings(const std::string &path)
{
   const InputFile file = read_input_file(path, kLargestMappings);
   if (file.missing)
      return;
   if (!file.problem.empty())
      say(file.problem);
   else if (!file.bytes.empty() &&
            SDL_GameControllerAddMappingsFromRW(
               SDL_RWFromConstMem(file.bytes.data(), int(file.bytes.size())), 1) < 0)
      say(path + ": " + SDL_GetError());
}

}  // namespace

std::string startPads(const std::string &mappingsFile)
{
   // The game's own handlers of SIGINT, SIGTERM and SIGHUP stay in place.
   SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
   if (SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) != 0)
      return SDL_GetError();
   if (!mappingsFile.empty())
      addMappings(mappingsFile);
   padsStarted = true;
   takeFirstController();
   return std::string();
}

PadState readPad(bool *unplugged)
{
   *unplugged = false;
   PadState state;
   if (!padsStarted)
      return state;
   SDL_Event event;
   while (SDL_PollEvent(&event)) {
      if (event.type == SDL_CONTROLLERDEVICEREMOVED && event.cdevice.which == drivingPad) {
         closeDrivingPad();
         *unplugged = true;
      }
   }
   takeFirstController();
   SDL_GameController *driving = SDL_GameControllerFromInstanceID(drivingPad);
   if (!driving)
      return state;
   state.connected = true;
   for (int b = 0; b < kPadButtons; b++)
      state.buttons[b] = SDL_GameControllerGetButton(driving, kButtons[b]) != 0;
   for (int a = 0; a < kPadAxes; a++)
      state.axes[a] = SDL_GameControllerGetAxis(driving, kAxes[a]);
   return state;
}

void stopPads()
{
   if (!padsStarted)
      return;
   if (drivingPad >= 0)
      closeDrivingPad();
   padsStarted = false;
   SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
}
