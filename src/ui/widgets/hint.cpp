#include "ui/widgets/hint.h"

#include "imgui.h"

namespace scf {

void hoverHint(const char* text) {
  if (!ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled | ImGuiHoveredFlags_DelayShort) &&
      !ImGui::IsItemFocused()) {
    return;
  }
  ImGui::SetTooltip("%s", text);
}

}  // namespace scf
