#include "ui/widgets/gap.h"

#include "app/window.h"
#include "imgui.h"

namespace scf {

void gap(float heightPt) {
  ImGui::Dummy(ImVec2(uiScale, heightPt * uiScale));
}

}  // namespace scf
