#include "app/display_scale.h"

#include <SDL3/SDL.h>

#include <utility>

#include "app/window.h"
#include "app/window_size.h"
#include "imgui.h"
#include "ui/look_and_feel.h"

namespace scf {

namespace {

struct Follow {
  bool follows = false;
  int baseWidth = 0;
  int baseHeight = 0;
  std::function<float()> source;
};

Follow follow;

float reportedScale(SDL_Window* window) {
  if (follow.source) return follow.source();
  return SDL_GetWindowDisplayScale(window);
}

}  // namespace

void setScaleFollowsDisplay(bool follows, int baseWidth, int baseHeight) {
  follow.follows = follows;
  follow.baseWidth = baseWidth;
  follow.baseHeight = baseHeight;
}

bool scaleFollowsDisplay() {
  return follow.follows;
}

void setDisplayScaleSource(std::function<float()> source) {
  follow.source = std::move(source);
}

bool followDisplayScale() {
  SDL_Window* window = sdlWindow();
  if (!follow.follows || window == nullptr || ImGui::GetCurrentContext() == nullptr) return false;
  const float reported = reportedScale(window);
  if (!(reported > 0.0f)) return false;
  SDL_DisplayID display = SDL_GetDisplayForWindow(window);
  if (display == 0) display = SDL_GetPrimaryDisplay();
  const SDL_DisplayMode* mode = display ? SDL_GetDesktopDisplayMode(display) : nullptr;
  // The same rule as at start: within [1, 3], and fitted to the desktop it is now on.
  const WindowPlan plan = planWindow(follow.baseWidth, follow.baseHeight, 0.0f, reported,
                                     mode != nullptr, mode ? mode->w : 0, mode ? mode->h : 0);
  if (plan.scale == uiScale) return false;
  uiScale = plan.scale;
  // The style from scratch, as the window's opening sets it, at the new scale.
  ImGui::GetStyle() = ImGuiStyle();
  ImGui::StyleColorsDark();
  applyStyle();
  const WindowPlan minimum =
      clampMinimumSize(plan, static_cast<int>(980 * uiScale), static_cast<int>(700 * uiScale));
  const SDL_WindowFlags flags = SDL_GetWindowFlags(window);
  if ((flags & (SDL_WINDOW_FULLSCREEN | SDL_WINDOW_MAXIMIZED)) == 0) {
    SDL_SetWindowMinimumSize(window, 0, 0);
    SDL_SetWindowSize(window, plan.width, plan.height);
  }
  SDL_SetWindowMinimumSize(window, minimum.width, minimum.height);
  return true;
}

}  // namespace scf
