#include "ui/widgets/focus_ring.h"

#include <cmath>

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
  // On whole pixels, so that the 2-point line is sharp at every scale (the draw list adds half a
  // pixel to a rectangle's corners).
  const ImVec2 ringMin(std::floor(min.x - gap) - 0.5f, std::floor(min.y - gap) - 0.5f);
  const ImVec2 ringMax(std::ceil(max.x + gap) - 0.5f, std::ceil(max.y + gap) - 0.5f);
  dl->AddRect(ringMin, ringMax, focusRingOutlineColour(), radius + gap, 0, 4.5f * s);
  dl->AddRect(ringMin, ringMax, focusRingColour(), radius + gap, 0, 2.0f * s);
  ImGui::PopClipRect();
}

void focusRingOnLastItem(float radius) {
  if (!ImGui::IsItemFocused() || !GImGui->NavCursorVisible) return;
  focusRing(ImGui::GetItemRectMin(), ImGui::GetItemRectMax(), radius);
}

}  // namespace scf
