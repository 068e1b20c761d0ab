#include "ui/widgets/pill.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/widgets/focus_ring.h"
#include "ui/widgets/widget_state.h"

namespace scf {

bool pill(const char* label, bool selected, float fontPt, bool enabled) {
  ImFont* font = textFont();
  const float px = fontPt * uiScale;
  const char* textEnd = ImGui::FindRenderedTextEnd(label);
  const ImVec2 textSize = font->CalcTextSizeA(px, FLT_MAX, 0.0f, label, textEnd);
  const ImVec2 size(textSize.x + 30.0f * uiScale, textSize.y + 14.0f * uiScale);

  const ItemState item = invisibleItem(label, size, enabled);
  recordLayout(label, item.min, item.max);
  const float f = enabled ? 1.0f : 0.4f;
  const int textAlpha = enabled ? 255 : 102;
  const float radius = size.y / 2.0f;

  ImDrawList* dl = ImGui::GetWindowDrawList();
  std::uint32_t ink = colMuted;
  if (selected) {
    glowLayers(dl, item.min, item.max, colViolet, 0.042f, radius);
    dl->AddRectFilled(item.min, item.max, withAlpha(colViolet, 0.2f * f), radius);
    dl->AddRect(item.min, item.max, withAlpha(colViolet, 0.65f * f), radius, 0, uiScale);
    ink = colText;
  } else if (item.hovered || item.focused) {
    dl->AddRectFilled(item.min, item.max, withAlphaByte(colNavy, 114), radius);
    ink = item.hovered ? colText : colMuted;
  }
  const ImVec2 textPos(item.min.x + (size.x - textSize.x) / 2.0f,
                       item.min.y + (size.y - textSize.y) / 2.0f - uiScale);
  dl->AddText(font, px, textPos, withAlphaByte(ink, textAlpha), label, textEnd);
  if (item.focused) focusRing(item.min, item.max, radius);
  return item.clicked;
}

}  // namespace scf
