#include "ui/widgets/action_row.h"

#include <algorithm>

#include "app/window.h"
#include "imgui.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/hint.h"
#include "ui/widgets/text.h"

namespace scf {

bool actionRow(const char* title, const char* description, bool enabled, float buttonWidth,
               float contentWidth, const char* disabledReason) {
  const float s = uiScale;
  const float rowTop = ImGui::GetCursorPosY();
  const ImVec2 rowMin = ImGui::GetCursorScreenPos();
  const bool clicked =
      button(title, ImVec2(buttonWidth, 42.0f * s), ButtonStyle::secondary, enabled, 18.0f);
  if (!enabled && disabledReason != nullptr && *disabledReason != '\0') hoverHint(disabledReason);
  ImGui::SameLine(0.0f, 18.0f * s);
  ImGui::SetCursorPosY(rowTop + 9.0f * s);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + contentWidth - buttonWidth - 20.0f * s);
  paragraph(description, 17.0f, colMuted, 1.0f);
  ImGui::PopTextWrapPos();
  ImGui::SetCursorPosY(
      std::max(ImGui::GetCursorPosY() - ImGui::GetStyle().ItemSpacing.y, rowTop + 42.0f * s));
  ImGui::Dummy(ImVec2(1.0f, 0.0f));
  recordLayout(title, rowMin, ImVec2(rowMin.x + contentWidth, ImGui::GetItemRectMax().y));
  return clicked;
}

}  // namespace scf
