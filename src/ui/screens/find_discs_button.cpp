#include "ui/screens/find_discs_button.h"

#include "app/app.h"
#include "app/task_table.h"
#include "app/window.h"
#include "imgui.h"
#include "prepare/disc_list.h"
#include "ui/widgets/button.h"
#include "ui/widgets/task_control.h"

namespace scf {

void findDiscImagesButton(App& app, float heightPt, float fontPt) {
  const float s = uiScale;
  const float spacing = 12.0f * s;
  const float width = buttonWidth(findDiscImagesLabel(), ButtonStyle::secondary, fontPt);
  // The cursor stands at the start of the next line, where the room left reaches the right edge.
  const float edge = ImGui::GetCursorScreenPos().x + ImGui::GetContentRegionAvail().x;
  if (ImGui::GetItemRectMax().x + spacing + width <= edge) {
    ImGui::SameLine(0.0f, spacing);
  }
  if (taskButton(app, Task::discCheck, findDiscImagesLabel(), ImVec2(0.0f, heightPt * s),
                 ButtonStyle::secondary, true, fontPt)) {
    app.discList.show();
  }
}

}  // namespace scf
