#include <SDL3/SDL.h>

#include "app/window.h"
#include "harness/input_driver.h"

namespace scf {
namespace {

SDL_GamepadButton padButton(NavButton button) {
  switch (button) {
    case NavButton::up:
    case NavButton::previous:
      return SDL_GAMEPAD_BUTTON_DPAD_UP;
    case NavButton::down:
    case NavButton::next:
      return SDL_GAMEPAD_BUTTON_DPAD_DOWN;
    case NavButton::left:
      return SDL_GAMEPAD_BUTTON_DPAD_LEFT;
    case NavButton::right:
      return SDL_GAMEPAD_BUTTON_DPAD_RIGHT;
    case NavButton::activate:
      return SDL_GAMEPAD_BUTTON_SOUTH;
    case NavButton::back:
      return SDL_GAMEPAD_BUTTON_EAST;
    case NavButton::tabNext:
      return SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER;
    case NavButton::tabPrev:
      return SDL_GAMEPAD_BUTTON_LEFT_SHOULDER;
    case NavButton::start:
      return SDL_GAMEPAD_BUTTON_START;
  }
  return SDL_GAMEPAD_BUTTON_SOUTH;
}

struct Key {
  SDL_Keycode key;
  SDL_Scancode scancode;
  SDL_Keymod mod;  // the modifiers held with it
};

Key keyOf(NavButton button) {
  switch (button) {
    case NavButton::up:
      return {SDLK_UP, SDL_SCANCODE_UP, SDL_KMOD_NONE};
    case NavButton::down:
      return {SDLK_DOWN, SDL_SCANCODE_DOWN, SDL_KMOD_NONE};
    case NavButton::left:
      return {SDLK_LEFT, SDL_SCANCODE_LEFT, SDL_KMOD_NONE};
    case NavButton::right:
      return {SDLK_RIGHT, SDL_SCANCODE_RIGHT, SDL_KMOD_NONE};
    case NavButton::next:
      return {SDLK_TAB, SDL_SCANCODE_TAB, SDL_KMOD_NONE};
    case NavButton::previous:
      return {SDLK_TAB, SDL_SCANCODE_TAB, SDL_KMOD_LSHIFT};
    case NavButton::activate:
    case NavButton::start:
      return {SDLK_RETURN, SDL_SCANCODE_RETURN, SDL_KMOD_NONE};
    case NavButton::back:
      return {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, SDL_KMOD_NONE};
    case NavButton::tabNext:
      return {SDLK_TAB, SDL_SCANCODE_TAB, SDL_KMOD_LCTRL};
    case NavButton::tabPrev:
      return {SDLK_TAB, SDL_SCANCODE_TAB,
              static_cast<SDL_Keymod>(SDL_KMOD_LCTRL | SDL_KMOD_LSHIFT)};
  }
  return {SDLK_RETURN, SDL_SCANCODE_RETURN, SDL_KMOD_NONE};
}

void pushKey(SDL_Keycode key, SDL_Scancode scancode, SDL_Keymod mod, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_EVENT_KEY_DOWN : SDL_EVENT_KEY_UP;
  event.key.timestamp = SDL_GetTicksNS();
  event.key.windowID = sdlWindow() ? SDL_GetWindowID(sdlWindow()) : 0;
  event.key.scancode = scancode;
  event.key.key = key;
  event.key.mod = mod;
  event.key.down = down;
  SDL_PushEvent(&event);
}

// A key with its modifiers: the modifier keys go down first and up last, as fingers do.
void pressKey(const Key& key, bool down) {
  SDL_Keymod held = SDL_KMOD_NONE;
  if (down) {
    if (key.mod & SDL_KMOD_LCTRL) {
      held = static_cast<SDL_Keymod>(held | SDL_KMOD_LCTRL);
      pushKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL, held, true);
    }
    if (key.mod & SDL_KMOD_LSHIFT) {
      held = static_cast<SDL_Keymod>(held | SDL_KMOD_LSHIFT);
      pushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, held, true);
    }
    pushKey(key.key, key.scancode, key.mod, true);
    return;
  }
  pushKey(key.key, key.scancode, key.mod, false);
  held = key.mod;
  if (key.mod & SDL_KMOD_LSHIFT) {
    held = static_cast<SDL_Keymod>(held & ~SDL_KMOD_LSHIFT);
    pushKey(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, held, false);
  }
  if (key.mod & SDL_KMOD_LCTRL) pushKey(SDLK_LCTRL, SDL_SCANCODE_LCTRL, SDL_KMOD_NONE, false);
}

}  // namespace

std::string InputDriver::buttonName(InputMode mode, NavButton button) {
  if (mode == InputMode::gamepad) {
    switch (button) {
      case NavButton::up:
      case NavButton::previous:
        return "D-pad up";
      case NavButton::down:
      case NavButton::next:
        return "D-pad down";
      case NavButton::left:
        return "D-pad left";
      case NavButton::right:
        return "D-pad right";
      case NavButton::activate:
        return "A";
      case NavButton::back:
        return "B";
      case NavButton::tabNext:
        return "RB";
      case NavButton::tabPrev:
        return "LB";
      case NavButton::start:
        return "Start";
    }
  }
  switch (button) {
    case NavButton::up:
      return "Up";
    case NavButton::down:
      return "Down";
    case NavButton::left:
      return "Left";
    case NavButton::right:
      return "Right";
    case NavButton::next:
      return "Tab";
    case NavButton::previous:
      return "Shift+Tab";
    case NavButton::activate:
    case NavButton::start:
      return "Enter";
    case NavButton::back:
      return "Escape";
    case NavButton::tabNext:
      return "Ctrl+Tab";
    case NavButton::tabPrev:
      return "Ctrl+Shift+Tab";
  }
  return "?";
}

InputDriver::~InputDriver() {
  disconnect();
}

bool InputDriver::connect(std::string& error) {
  if (mode_ != InputMode::gamepad) return true;
  if (!SDL_InitSubSystem(SDL_INIT_GAMEPAD)) {
    error = std::string("SDL's gamepad support did not start: ") + SDL_GetError();
    return false;
  }
  SDL_VirtualJoystickDesc desc;
  SDL_INIT_INTERFACE(&desc);
  desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
  desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
  desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
  // Every standard button and axis, in SDL's order: virtual button n is gamepad button n.
  desc.button_mask = (1u << SDL_GAMEPAD_BUTTON_COUNT) - 1u;
  desc.axis_mask = (1u << SDL_GAMEPAD_AXIS_COUNT) - 1u;
  desc.name = "SCF self-test pad";
  const SDL_JoystickID id = SDL_AttachVirtualJoystick(&desc);
  if (id == 0) {
    error = std::string("the virtual gamepad could not be attached: ") + SDL_GetError();
    return false;
  }
  joystickId_ = id;
  SDL_Joystick* joystick = SDL_OpenJoystick(id);
  if (!joystick) {
    error = std::string("the virtual gamepad could not be opened: ") + SDL_GetError();
    disconnect();
    return false;
  }
  joystick_ = joystick;
  // Triggers at rest.
  SDL_SetJoystickVirtualAxis(joystick, SDL_GAMEPAD_AXIS_LEFT_TRIGGER, SDL_JOYSTICK_AXIS_MIN);
  SDL_SetJoystickVirtualAxis(joystick, SDL_GAMEPAD_AXIS_RIGHT_TRIGGER, SDL_JOYSTICK_AXIS_MIN);
  return true;
}

bool InputDriver::connected() const {
  if (mode_ != InputMode::gamepad) return true;
  return joystick_ != nullptr && SDL_IsGamepad(static_cast<SDL_JoystickID>(joystickId_));
}

void InputDriver::disconnect() {
  if (joystickId_ == 0) return;
  // After the window system has shut down, SDL has let the pad go already.
  if (SDL_WasInit(SDL_INIT_JOYSTICK)) {
    if (joystick_) SDL_CloseJoystick(static_cast<SDL_Joystick*>(joystick_));
    SDL_DetachVirtualJoystick(static_cast<SDL_JoystickID>(joystickId_));
  }
  joystick_ = nullptr;
  joystickId_ = 0;
}

void InputDriver::set(NavButton button, bool down) {
  if (mode_ == InputMode::keyboard) {
    pressKey(keyOf(button), down);
  } else if (mode_ == InputMode::gamepad && joystick_) {
    SDL_SetJoystickVirtualButton(static_cast<SDL_Joystick*>(joystick_), padButton(button), down);
  }
}

}  // namespace scf
