// The driven self-test's hands: a virtual gamepad attached through SDL's own joystick layer, or
// key events pushed into SDL's event queue, so every press takes the road a real one takes.
#pragma once

#include <string>

#include "harness/press_walker.h"

namespace scf {

enum class InputMode { none, gamepad, keyboard };

class InputDriver {
 public:
  explicit InputDriver(InputMode mode) : mode_(mode) {}
  ~InputDriver();
  InputDriver(const InputDriver&) = delete;
  InputDriver& operator=(const InputDriver&) = delete;

  // Gamepad: starts SDL's gamepad support and attaches the virtual pad. False, with the reason,
  // when SDL refuses.
  bool connect(std::string& error);
  // True once SDL lists the attached pad as a gamepad (the keyboard is always there).
  bool connected() const;
  // Releases the pad (before the window system shuts down).
  void disconnect();
  // Presses (down) or releases a button.
  void set(NavButton button, bool down);
  // The button's name on this device, for the log: "A", "D-pad down", "Enter", "Ctrl+Tab"...
  std::string name(NavButton button) const { return buttonName(mode_, button); }
  static std::string buttonName(InputMode mode, NavButton button);

 private:
  InputMode mode_;
  unsigned joystickId_ = 0;
  void* joystick_ = nullptr;  // SDL_Joystick*
};

}  // namespace scf
