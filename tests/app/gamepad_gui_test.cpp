// A pad through SDL's own gamepad road, as a real one comes: a virtual pad attached to SDL is
// opened by the window host, its buttons reach the GUI and mark the last input as the pad's,
// and it is closed when it goes.
#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "app/gamepads.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/clock.h"
#include "ui/look_and_feel.h"

namespace scf {
namespace {

bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

class VirtualPad : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "no X display";
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
    opened_ = true;
    applyLookAndFeel();
  }
  void TearDown() override {
    if (joystick_) SDL_CloseJoystick(joystick_);
    if (id_) SDL_DetachVirtualJoystick(id_);
    if (opened_) closeWindow();
  }

  // Turns (events, then a GUI frame) until the condition holds, five seconds at most.
  bool turnUntil(const std::function<bool(const WindowEvents&)>& done) {
    const double deadline = nowSeconds() + 5.0;
    while (nowSeconds() < deadline) {
      const WindowEvents events = pollEvents();
      if (events.lastInput != InputKind::none) lastInput = events.lastInput;
      beginFrame();
      const bool ok = done(events);
      endFrame("");
      if (ok) return true;
      SDL_Delay(5);
    }
    return false;
  }

  void attach() {
    SDL_VirtualJoystickDesc desc;
    SDL_INIT_INTERFACE(&desc);
    desc.type = SDL_JOYSTICK_TYPE_GAMEPAD;
    desc.naxes = SDL_GAMEPAD_AXIS_COUNT;
    desc.nbuttons = SDL_GAMEPAD_BUTTON_COUNT;
    desc.name = "Test pad";
    id_ = SDL_AttachVirtualJoystick(&desc);
    ASSERT_NE(id_, 0u) << SDL_GetError();
    joystick_ = SDL_OpenJoystick(id_);
    ASSERT_NE(joystick_, nullptr) << SDL_GetError();
  }

  bool opened_ = false;
  SDL_JoystickID id_ = 0;
  SDL_Joystick* joystick_ = nullptr;
  InputKind lastInput = InputKind::none;
};

TEST_F(VirtualPad, OpenedPressedAndClosedThroughSdl) {
  attach();
  ASSERT_TRUE(turnUntil([](const WindowEvents&) { return openGamepadCount() == 1; }))
      << "the pad was not opened";

  struct Press {
    SDL_GamepadButton button;
    ImGuiKey key;
  };
  for (const Press& press : {Press{SDL_GAMEPAD_BUTTON_SOUTH, ImGuiKey_GamepadFaceDown},
                             Press{SDL_GAMEPAD_BUTTON_EAST, ImGuiKey_GamepadFaceRight},
                             Press{SDL_GAMEPAD_BUTTON_START, ImGuiKey_GamepadStart},
                             Press{SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER, ImGuiKey_GamepadR1}}) {
    SCOPED_TRACE(ImGui::GetKeyName(press.key));
    lastInput = InputKind::mouse;
    ASSERT_TRUE(SDL_SetJoystickVirtualButton(joystick_, press.button, true));
    EXPECT_TRUE(turnUntil([&](const WindowEvents&) { return ImGui::IsKeyDown(press.key); }))
        << "the press did not reach the GUI";
    EXPECT_EQ(lastInput, InputKind::gamepad);
    ASSERT_TRUE(SDL_SetJoystickVirtualButton(joystick_, press.button, false));
    EXPECT_TRUE(turnUntil([&](const WindowEvents&) { return !ImGui::IsKeyDown(press.key); }));
  }
  // Navigation by pad is on: the GUI sees a pad from its backend.
  EXPECT_TRUE(ImGui::GetIO().ConfigFlags & ImGuiConfigFlags_NavEnableGamepad);
  EXPECT_TRUE(ImGui::GetIO().BackendFlags & ImGuiBackendFlags_HasGamepad);

  SDL_CloseJoystick(joystick_);
  joystick_ = nullptr;
  ASSERT_TRUE(SDL_DetachVirtualJoystick(id_));
  id_ = 0;
  EXPECT_TRUE(turnUntil([](const WindowEvents&) { return openGamepadCount() == 0; }))
      << "the pad that went was not closed";
}

}  // namespace
}  // namespace scf
