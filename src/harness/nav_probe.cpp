#include "harness/nav_probe.h"

#include <string>

#include "imgui_internal.h"
#include "ui/widget_trace.h"

namespace scf {
namespace {

// The label of the focused row, or empty when the focus is on none of them.
std::string rowLabel(const ImGuiContext& g, const LabelledRows& rows) {
  if (rows.labels.empty()) return {};
  const std::string marker = "/" + rows.child + "_";
  for (const ImGuiWindow* window : g.Windows) {
    if (window->Name == nullptr || std::string(window->Name).find(marker) == std::string::npos)
      continue;
    for (size_t i = 0; i < rows.labels.size(); ++i) {
      const int n = static_cast<int>(i);
      const ImGuiID pushed = ImHashData(&n, sizeof n, window->ID);
      if (ImHashStr(rows.rowId.c_str(), 0, pushed) == g.NavId) return rows.labels[i];
    }
  }
  return {};
}

}  // namespace

NavView readNav(uint64_t frame, const NavView& last, const LabelledRows& rows) {
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
  if (view.focused.empty() && g->NavId != 0) view.focused = rowLabel(*g, rows);
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
