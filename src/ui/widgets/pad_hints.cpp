#include "ui/widgets/pad_hints.h"

#include <algorithm>

#include "app/window.h"
#include "imgui.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"

namespace scf {

unsigned padButtonColour(char button) {
  switch (button) {
    case 'A':
      return colGood;
    case 'B':
      return colBad;
    case 'X':
      return colAccent;
    default:
      return colWarn;
  }
}

void padHints(std::initializer_list<PadHint> hints, float fontPt) {
  const float s = uiScale;
  ImFont* font = textFont();
  const float px = fontPt * s;
  const float letterPx = (fontPt - 3.0f) * s;
  const float radius = (fontPt * 0.62f) * s;
  const float lineHeight = font->CalcTextSizeA(px, FLT_MAX, 0.0f, "Ag").y;
  const float height = std::max(lineHeight, 2.0f * radius) + 4.0f * s;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  const ImVec2 start = ImGui::GetCursorScreenPos();
  float x = start.x;
  const float centreY = start.y + height / 2.0f;
  bool first = true;
  for (const PadHint& hint : hints) {
    if (!first) x += 18.0f * s;
    first = false;
    const ImVec2 centre(x + radius, centreY);
    dl->AddCircleFilled(centre, radius + 1.5f * s, IM_COL32(1, 3, 10, 200));
    dl->AddCircleFilled(centre, radius, withAlpha(padButtonColour(hint.button), 0.9f));
    const char letter[2] = {hint.button, '\0'};
    const ImVec2 letterSize = font->CalcTextSizeA(letterPx, FLT_MAX, 0.0f, letter);
    const ImVec2 letterAt(centre.x - letterSize.x / 2.0f, centre.y - letterSize.y / 2.0f);
    dl->AddText(font, letterPx, letterAt, IM_COL32(5, 11, 38, 255), letter);
    dl->AddText(font, letterPx, ImVec2(letterAt.x + 0.5f * s, letterAt.y), IM_COL32(5, 11, 38, 255),
                letter);
    x += 2.0f * radius + 6.0f * s;
    const ImVec2 textSize = font->CalcTextSizeA(px, FLT_MAX, 0.0f, hint.text);
    const ImVec2 textAt(x, centreY - textSize.y / 2.0f);
    dl->AddText(font, px, textAt, withAlpha(colMuted, 1.0f), hint.text);
    recordLayout(hint.text, ImVec2(centre.x - radius, start.y),
                 ImVec2(textAt.x + textSize.x, start.y + height));
    x += textSize.x;
  }
  ImGui::Dummy(ImVec2(x - start.x, height));
}

}  // namespace scf
