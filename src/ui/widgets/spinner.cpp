#include "ui/widgets/spinner.h"

#include "app/window.h"
#include "ui/palette.h"

namespace scf {

void spinner(ImVec2 centre, float radiusPt, double time) {
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const float start = static_cast<float>(5.0 * time);
  dl->PathArcTo(centre, radiusPt * uiScale, start, start + 4.2f, 32);
  dl->PathStroke(withAlphaByte(colAccent, 255), ImDrawFlags_None, 3.0f * uiScale);
}

}  // namespace scf
