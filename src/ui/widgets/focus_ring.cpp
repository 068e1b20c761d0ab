#include "ui/widgets/focus_ring.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/palette.h"

namespace scf {

ImU32 focusRingColour() {
  return withAlpha(colAccent, 1.0f);
}

ImU32 focusRingOutlineColour() {
  return IM_COL32(1, 3, 10, 220);
}

void focusRing(ImVec2 min, ImVec2 max, float radius) {
  const float s = uiScale;
  const float gap = 3.0f * s;
  ImGuiWindow* window = ImGui::GetCurrentWindow();
  ImDrawList* dl = window->DrawList;
  // The ring stands outside the control: a control at the edge of a clipped region keeps it.
  ImRect clip = window->ClipRect;
  clip.Expand(6.0f * s);
  ImGui::PushClipRect(clip.Min, clip.Max, false);
  const ImVec2 ringMin(min.x - gap, min.y - gap);
  const ImVec2 ringMax(max.x + gap, max.y + gap);
  dl->AddRect(ringMin, ringMax, focusRingOutlineColour(), radius + gap, 0, 4.5f * s);
  dl->AddRect(ringMin, ringMax, focusRingColour(), radius + gap, 0, 2.0f * s);
  ImGui::PopClipRect();
}

void focusRingOnLastItem(float radius) {
  if (!ImGui::IsItemFocused() || !GImGui->NavCursorVisible) return;
  focusRing(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), radius);
}

}  // namespace scf
