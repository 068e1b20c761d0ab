#include "app/gamepads.h"

#include <SDL3/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imgui.h"
#include "imgui_impl_sdl3.h"
#include "platform/gaming_mode.h"

namespace scf {
namespace {

// Stick travel under which a stick counts as at rest (the value SDL's header suggests).
constexpr int kDeadZone = 8000;

// The open pads; the UI thread's alone.
std::vector<SDL_Gamepad*> pads;
bool started = false;

// The GUI's SDL backend polls these pads every frame too (and only these).
void handPadsToBackend() {
  if (ImGui::GetCurrentContext() == nullptr || ImGui::GetIO().BackendPlatformUserData == nullptr)
    return;
  ImGui_ImplSDL3_SetGamepadMode(ImGui_ImplSDL3_GamepadMode_Manual, pads.data(),
                                static_cast<int>(pads.size()));
}

void openPad(SDL_JoystickID id) {
  for (SDL_Gamepad* pad : pads) {
    if (SDL_GetGamepadID(pad) == id) return;
  }
  if (SDL_Gamepad* pad = SDL_OpenGamepad(id)) pads.push_back(pad);
  handPadsToBackend();
}

void closePad(SDL_JoystickID id) {
  const auto gone = std::find_if(pads.begin(), pads.end(),
                                 [id](SDL_Gamepad* pad) { return SDL_GetGamepadID(pad) == id; });
  if (gone == pads.end()) return;
  SDL_CloseGamepad(*gone);
  pads.erase(gone);
  handPadsToBackend();
}

ImGuiKey buttonKey(Uint8 button) {
  switch (button) {
    case SDL_GAMEPAD_BUTTON_SOUTH:
      return ImGuiKey_GamepadFaceDown;
    case SDL_GAMEPAD_BUTTON_EAST:
      return ImGuiKey_GamepadFaceRight;
    case SDL_GAMEPAD_BUTTON_WEST:
      return ImGuiKey_GamepadFaceLeft;
    case SDL_GAMEPAD_BUTTON_NORTH:
      return ImGuiKey_GamepadFaceUp;
    case SDL_GAMEPAD_BUTTON_DPAD_UP:
      return ImGuiKey_GamepadDpadUp;
    case SDL_GAMEPAD_BUTTON_DPAD_DOWN:
      return ImGuiKey_GamepadDpadDown;
    case SDL_GAMEPAD_BUTTON_DPAD_LEFT:
      return ImGuiKey_GamepadDpadLeft;
    case SDL_GAMEPAD_BUTTON_DPAD_RIGHT:
      return ImGuiKey_GamepadDpadRight;
    case SDL_GAMEPAD_BUTTON_LEFT_SHOULDER:
      return ImGuiKey_GamepadL1;
    case SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER:
      return ImGuiKey_GamepadR1;
    case SDL_GAMEPAD_BUTTON_START:
      return ImGuiKey_GamepadStart;
    case SDL_GAMEPAD_BUTTON_BACK:
      return ImGuiKey_GamepadBack;
    case SDL_GAMEPAD_BUTTON_LEFT_STICK:
      return ImGuiKey_GamepadL3;
    case SDL_GAMEPAD_BUTTON_RIGHT_STICK:
      return ImGuiKey_GamepadR3;
    default:
      return ImGuiKey_None;
  }
}

// One axis: its two keys (towards negative and positive values); triggers have only the second.
struct AxisKeys {
  ImGuiKey negative = ImGuiKey_None;
  ImGuiKey positive = ImGuiKey_None;
};

AxisKeys axisKeys(Uint8 axis) {
  switch (axis) {
    case SDL_GAMEPAD_AXIS_LEFTX:
      return {ImGuiKey_GamepadLStickLeft, ImGuiKey_GamepadLStickRight};
    case SDL_GAMEPAD_AXIS_LEFTY:
      return {ImGuiKey_GamepadLStickUp, ImGuiKey_GamepadLStickDown};
    case SDL_GAMEPAD_AXIS_RIGHTX:
      return {ImGuiKey_GamepadRStickLeft, ImGuiKey_GamepadRStickRight};
    case SDL_GAMEPAD_AXIS_RIGHTY:
      return {ImGuiKey_GamepadRStickUp, ImGuiKey_GamepadRStickDown};
    case SDL_GAMEPAD_AXIS_LEFT_TRIGGER:
      return {ImGuiKey_None, ImGuiKey_GamepadL2};
    case SDL_GAMEPAD_AXIS_RIGHT_TRIGGER:
      return {ImGuiKey_None, ImGuiKey_GamepadR2};
    default:
      return {};
  }
}

// How far past the dead zone a stick is pushed, in [0, 1].
float travel(int value) {
  const float v = static_cast<float>(std::abs(value) - kDeadZone) / (32767.0f - kDeadZone);
  return std::clamp(v, 0.0f, 1.0f);
}

void feedAxis(Uint8 axis, Sint16 value) {
  const AxisKeys keys = axisKeys(axis);
  ImGuiIO& io = ImGui::GetIO();
  const float towardsNegative = value < 0 ? travel(value) : 0.0f;
  const float towardsPositive = value > 0 ? travel(value) : 0.0f;
  if (keys.negative != ImGuiKey_None)
    io.AddKeyAnalogEvent(keys.negative, towardsNegative > 0.1f, towardsNegative);
  if (keys.positive != ImGuiKey_None)
    io.AddKeyAnalogEvent(keys.positive, towardsPositive > 0.1f, towardsPositive);
}

}  // namespace

void startGamepads() {
  if (!started) started = SDL_InitSubSystem(SDL_INIT_GAMEPAD);
  if (!started) return;
  int count = 0;
  if (SDL_JoystickID* ids = SDL_GetGamepads(&count)) {
    for (int i = 0; i < count; ++i)
      openPad(ids[i]);
    SDL_free(ids);
  }
  handPadsToBackend();
}

void stopGamepads() {
  for (SDL_Gamepad* pad : pads)
    SDL_CloseGamepad(pad);
  pads.clear();
  handPadsToBackend();
  if (started) SDL_QuitSubSystem(SDL_INIT_GAMEPAD);
  started = false;
}

InputKind startingInput() {
  return gamingModeSession() ? InputKind::gamepad : InputKind::none;
}

int openGamepadCount() {
  return static_cast<int>(pads.size());
}

InputKind takeInputEvent(const SDL_Event& event) {
  const bool gui = ImGui::GetCurrentContext() != nullptr;
  switch (event.type) {
    case SDL_EVENT_GAMEPAD_ADDED:
      openPad(event.gdevice.which);
      return InputKind::none;
    case SDL_EVENT_GAMEPAD_REMOVED:
      closePad(event.gdevice.which);
      return InputKind::none;
    case SDL_EVENT_GAMEPAD_BUTTON_DOWN:
    case SDL_EVENT_GAMEPAD_BUTTON_UP: {
      const ImGuiKey key = buttonKey(event.gbutton.button);
      if (gui && key != ImGuiKey_None) ImGui::GetIO().AddKeyEvent(key, event.gbutton.down);
      return event.gbutton.down ? InputKind::gamepad : InputKind::none;
    }
    case SDL_EVENT_GAMEPAD_AXIS_MOTION:
      if (gui) feedAxis(event.gaxis.axis, event.gaxis.value);
      return std::abs(static_cast<int>(event.gaxis.value)) > 2 * kDeadZone ? InputKind::gamepad
                                                                           : InputKind::none;
    case SDL_EVENT_KEY_DOWN:
    case SDL_EVENT_TEXT_INPUT:
      return InputKind::keyboard;
    case SDL_EVENT_MOUSE_BUTTON_DOWN:
    case SDL_EVENT_MOUSE_WHEEL:
    case SDL_EVENT_FINGER_DOWN:
      return InputKind::mouse;
    case SDL_EVENT_MOUSE_MOTION:
      return event.motion.xrel != 0.0f || event.motion.yrel != 0.0f ? InputKind::mouse
                                                                    : InputKind::none;
    default:
      return InputKind::none;
  }
}

}  // namespace scf
