// SDL's input events as the launcher reads them: which kind of input each is, and the pad's
// buttons and sticks handed to the GUI as they happen.
#include "app/gamepads.h"

#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include "imgui.h"
#include "support/test_support.h"

namespace scf {
namespace {

SDL_Event padButton(Uint8 button, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_EVENT_GAMEPAD_BUTTON_DOWN : SDL_EVENT_GAMEPAD_BUTTON_UP;
  event.gbutton.button = button;
  event.gbutton.down = down;
  return event;
}

SDL_Event padAxis(Uint8 axis, Sint16 value) {
  SDL_Event event{};
  event.type = SDL_EVENT_GAMEPAD_AXIS_MOTION;
  event.gaxis.axis = axis;
  event.gaxis.value = value;
  return event;
}

SDL_Event ofType(Uint32 type) {
  SDL_Event event{};
  event.type = type;
  return event;
}

SDL_Event mouseMotion(float dx) {
  SDL_Event event = ofType(SDL_EVENT_MOUSE_MOTION);
  event.motion.xrel = dx;
  return event;
}

TEST(Gamepads, EachEventSaysWhichKindOfInputItIs) {
  struct Case {
    const char* what;
    SDL_Event event;
    InputKind kind;
  };
  const Case cases[] = {
      {"A down", padButton(SDL_GAMEPAD_BUTTON_SOUTH, true), InputKind::gamepad},
      {"A up", padButton(SDL_GAMEPAD_BUTTON_SOUTH, false), InputKind::none},
      {"stick pushed", padAxis(SDL_GAMEPAD_AXIS_LEFTY, 30000), InputKind::gamepad},
      {"stick resting", padAxis(SDL_GAMEPAD_AXIS_LEFTY, 3000), InputKind::none},
      {"key", ofType(SDL_EVENT_KEY_DOWN), InputKind::keyboard},
      {"text", ofType(SDL_EVENT_TEXT_INPUT), InputKind::keyboard},
      {"click", ofType(SDL_EVENT_MOUSE_BUTTON_DOWN), InputKind::mouse},
      {"wheel", ofType(SDL_EVENT_MOUSE_WHEEL), InputKind::mouse},
      {"touch", ofType(SDL_EVENT_FINGER_DOWN), InputKind::mouse},
      {"mouse moved", mouseMotion(3.0f), InputKind::mouse},
      {"mouse still", mouseMotion(0.0f), InputKind::none},
      {"window", ofType(SDL_EVENT_WINDOW_EXPOSED), InputKind::none},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(takeInputEvent(c.event), c.kind);
  }
}

// A press and its release within one frame still reach the GUI as a press.
TEST(Gamepads, ButtonsAndSticksReachTheGuiAsTheyHappen) {
  ImGuiContext* context = ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.DisplaySize = ImVec2(800.0f, 600.0f);
  io.DeltaTime = 1.0f / 60.0f;
  io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures | ImGuiBackendFlags_HasGamepad;
  struct Case {
    SDL_Event down;
    SDL_Event up;
    ImGuiKey key;
  };
  const Case cases[] = {
      {padButton(SDL_GAMEPAD_BUTTON_SOUTH, true), padButton(SDL_GAMEPAD_BUTTON_SOUTH, false),
       ImGuiKey_GamepadFaceDown},
      {padButton(SDL_GAMEPAD_BUTTON_EAST, true), padButton(SDL_GAMEPAD_BUTTON_EAST, false),
       ImGuiKey_GamepadFaceRight},
      {padButton(SDL_GAMEPAD_BUTTON_START, true), padButton(SDL_GAMEPAD_BUTTON_START, false),
       ImGuiKey_GamepadStart},
      {padButton(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER, true),
       padButton(SDL_GAMEPAD_BUTTON_LEFT_SHOULDER, false), ImGuiKey_GamepadL1},
      {padButton(SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER, true),
       padButton(SDL_GAMEPAD_BUTTON_RIGHT_SHOULDER, false), ImGuiKey_GamepadR1},
      {padButton(SDL_GAMEPAD_BUTTON_DPAD_DOWN, true),
       padButton(SDL_GAMEPAD_BUTTON_DPAD_DOWN, false), ImGuiKey_GamepadDpadDown},
      {padAxis(SDL_GAMEPAD_AXIS_LEFTY, 32767), padAxis(SDL_GAMEPAD_AXIS_LEFTY, 0),
       ImGuiKey_GamepadLStickDown},
      {padAxis(SDL_GAMEPAD_AXIS_LEFTX, -32768), padAxis(SDL_GAMEPAD_AXIS_LEFTX, 0),
       ImGuiKey_GamepadLStickLeft},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ImGui::GetKeyName(c.key));
    takeInputEvent(c.down);
    takeInputEvent(c.up);
    ImGui::NewFrame();
    EXPECT_TRUE(ImGui::IsKeyPressed(c.key, false));
    ImGui::EndFrame();
    ImGui::NewFrame();
    EXPECT_FALSE(ImGui::IsKeyDown(c.key));
    ImGui::EndFrame();
  }
  ImGui::DestroyContext(context);
}

// On the Deck's gaming mode there is no mouse: the session starts as if the pad had been used, so
// the first page shows its focus ring and the first A acts on it.
TEST(StartingInput, IsThePadOnlyInAConsoleLikeSession) {
  testing::EnvGuard env;
  env.set("XDG_CURRENT_DESKTOP", "gamescope");
  EXPECT_EQ(startingInput(), InputKind::gamepad);
  env.set("XDG_CURRENT_DESKTOP", "GNOME");
  EXPECT_EQ(startingInput(), InputKind::none);
}

}  // namespace
}  // namespace scf
