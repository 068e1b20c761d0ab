#include "ui/widgets/notice_box.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"

namespace scf {

void noticeBox(const char* title, const char* detail, std::uint32_t rgb, float width) {
  const float s = uiScale;
  const float wrap = width - 36.0f * s;
  const float titlePx = 19.0f * s;
  const float detailPx = 15.0f * s;
  const bool hasDetail = detail != nullptr && detail[0] != '\0';
  ImFont* titleFont = textFont();
  ImFont* detailFont = monoFont != nullptr ? monoFont : titleFont;

  const float titleHeight = titleFont->CalcTextSizeA(titlePx, FLT_MAX, wrap, title).y;
  const float detailHeight =
      hasDetail ? detailFont->CalcTextSizeA(detailPx, FLT_MAX, wrap, detail).y : 0.0f;
  float height = 24.0f * s + titleHeight;
  if (hasDetail) height += 6.0f * s + detailHeight;

  const ImVec2 min = ImGui::GetCursorScreenPos();
  const ImVec2 max(min.x + width, min.y + height);
  const float radius = 12.0f * s;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(min, max, withAlpha(rgb, 0.08f), radius);
  dl->AddRect(min, max, withAlpha(rgb, 0.45f), radius, 0, s);
  dl->AddRectFilled(min, ImVec2(min.x + 4.0f * s, max.y), withAlpha(rgb, 0.9f), radius,
                    ImDrawFlags_RoundCornersLeft);

  dl->AddText(titleFont, titlePx, ImVec2(min.x + 18.0f * s, min.y + 12.0f * s),
              withAlpha(rgb, 1.0f), title, nullptr, wrap);
  if (hasDetail) {
    dl->AddText(detailFont, detailPx,
                ImVec2(min.x + 18.0f * s, min.y + 12.0f * s + titleHeight + 6.0f * s),
                withAlpha(colMuted, 1.0f), detail, nullptr, wrap);
  }
  ImGui::Dummy(ImVec2(width, height));
  recordLastItem(title);
}

}  // namespace scf
