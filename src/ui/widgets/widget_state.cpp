#include "ui/widgets/widget_state.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"
#include "ui/widget_trace.h"

namespace scf {

ItemState invisibleItem(const char* id, ImVec2 size, bool enabled) {
  ItemState state;
  ImGui::BeginDisabled(!enabled);
  const bool pressed = ImGui::InvisibleButton(id, size, ImGuiButtonFlags_EnableNav);
  ImGui::EndDisabled();
  state.min = ImGui::GetItemRectMin();
  state.max = ImGui::GetItemRectMax();
  state.clicked = pressed && enabled;
  state.hovered = ImGui::IsItemHovered();
  state.held = ImGui::IsItemActive();
  // Focus shows only while the keyboard drives the cursor, not after a mouse click.
  state.focused = ImGui::IsItemFocused() && GImGui->NavCursorVisible;
  traceItem(id, state.clicked);
  if (enabled) offerFocus();
  return state;
}

void glowLayers(ImDrawList* drawList, ImVec2 min, ImVec2 max, std::uint32_t rgb, float alphaBase,
                float baseRadius) {
  for (int k = 1; k <= 4; ++k) {
    const float e = 2.5f * static_cast<float>(k) * uiScale;
    drawList->AddRectFilled(ImVec2(min.x - e, min.y - e), ImVec2(max.x + e, max.y + e),
                            withAlpha(rgb, alphaBase / static_cast<float>(k)), baseRadius + e);
  }
}

}  // namespace scf
