#include "harness/nav_probe.h"

#include <string>

#include "imgui_internal.h"
#include "ui/widget_trace.h"

namespace scf {
NavView readNav(uint64_t frame, const NavView& last) {
  NavView view;
  view.frame = frame;
  view.activations = activationCount();
  // The controls report themselves; a click counts like a press.
  if (view.activations != last.activations) view.activated = lastActivatedWidget();
  ImGuiContext* g = ImGui::GetCurrentContext();
  if (g == nullptr) return view;
  view.focusedId = g->NavId;
  view.ringShown = g->NavCursorVisible;
  view.focused = focusedWidget();
  // Rows report nothing: the navigation's own activation names them.
  if (view.activated.empty() && g->NavActivateId != 0) {
    if (g->NavActivateId == g->NavId) {
      view.activated = view.focused;
    } else if (g->NavActivateId == last.focusedId) {
      view.activated = last.focused;
    }
  }
  return view;
}

}  // namespace scf
