#include "ui/widgets/button.h"

#include <algorithm>

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/widgets/focus_ring.h"
#include "ui/widgets/widget_state.h"

namespace scf {
namespace {

struct Look {
  ImVec2 min;
  ImVec2 max;
  ImVec2 textPos;
  ImVec2 textSize;
  float radius = 0;
  float f = 1;  // enabled factor for alphas
  int textAlpha = 255;
};

void drawPrimary(ImDrawList* dl, const Look& look, const ItemState& item, bool enabled,
                 ImFont* font, float px, const char* text, const char* textEnd) {
  const bool lit = item.hovered || item.focused;
  if (enabled) glowLayers(dl, look.min, look.max, colAccent, lit ? 0.112f : 0.056f, look.radius);

  ImU32 from = IM_COL32(115, 152, 234, 255);
  ImU32 to = IM_COL32(168, 142, 234, 255);
  if (!enabled) {
    // Greyed and see-through, so a button that cannot be pressed never looks like one that can.
    from = IM_COL32(88, 100, 132, 255);
    to = IM_COL32(104, 100, 132, 255);
  } else if (item.held) {
    from = IM_COL32(107, 141, 216, 255);
    to = IM_COL32(155, 131, 216, 255);
  } else if (item.hovered) {
    from = IM_COL32(126, 166, 255, 255);
    to = IM_COL32(183, 155, 255, 255);
  }
  const int first = dl->VtxBuffer.Size;
  dl->AddRectFilled(look.min, look.max, enabled ? IM_COL32_WHITE : IM_COL32(255, 255, 255, 110),
                    look.radius);
  ImGui::ShadeVertsLinearColorGradientKeepAlpha(dl, first, dl->VtxBuffer.Size, look.min, look.max,
                                                from, to);

  dl->AddRect(look.min, look.max, withAlpha(0xDBE7FF, 0.55f * look.f), look.radius, 0,
              1.2f * uiScale);
  const ImU32 ink = IM_COL32(5, 11, 38, look.textAlpha);
  dl->AddText(font, px, look.textPos, ink, text, textEnd);
  dl->AddText(font, px, ImVec2(look.textPos.x + 0.5f * uiScale, look.textPos.y), ink, text,
              textEnd);
}

void drawFramed(ImDrawList* dl, const Look& look, const ItemState& item, bool enabled, bool danger,
                ImFont* font, float px, const char* text, const char* textEnd) {
  const bool lit = item.hovered || item.focused;
  const std::uint32_t base = danger ? colBad : 0x8CAAFF;
  if (enabled && lit)
    glowLayers(dl, look.min, look.max, danger ? colBad : colAccent, 0.049f, look.radius);
  int fill = enabled ? 89 : 35;
  if (item.held) {
    fill = enabled ? 153 : 61;
  } else if (item.hovered) {
    fill = static_cast<int>(127.5f * look.f);
  }
  dl->AddRectFilled(look.min, look.max, withAlphaByte(colNavy, fill), look.radius);
  dl->AddRect(look.min, look.max, withAlpha(base, (lit ? 0.55f : 0.25f) * look.f), look.radius, 0,
              uiScale);
  dl->AddText(font, px, look.textPos, withAlphaByte(danger ? colBad : colText, look.textAlpha),
              text, textEnd);
}

void drawLink(ImDrawList* dl, const Look& look, const ItemState& item, ImFont* font, float px,
              const char* text, const char* textEnd) {
  const bool lit = item.hovered || item.focused;
  dl->AddText(font, px, look.textPos, withAlphaByte(lit ? colText : 0x9EC0FF, look.textAlpha), text,
              textEnd);
  if (item.hovered) {
    const float y = look.textPos.y + look.textSize.y;
    dl->AddLine(ImVec2(look.textPos.x, y), ImVec2(look.textPos.x + look.textSize.x, y),
                withAlpha(colText, 0.8f), uiScale);
  }
}

}  // namespace

float buttonWidth(const char* label, ButtonStyle style, float fontPt) {
  const char* textEnd = ImGui::FindRenderedTextEnd(label);
  const float text = textFont()->CalcTextSizeA(fontPt * uiScale, FLT_MAX, 0.0f, label, textEnd).x;
  return (style == ButtonStyle::link ? 4.0f : 44.0f) * uiScale + text;
}

bool button(const char* label, ImVec2 size, ButtonStyle style, bool enabled, float fontPt) {
  ImFont* font = textFont();
  const float px = fontPt * uiScale;
  const char* textEnd = ImGui::FindRenderedTextEnd(label);
  const ImVec2 textSize = font->CalcTextSizeA(px, FLT_MAX, 0.0f, label, textEnd);

  const bool isLink = style == ButtonStyle::link;
  if (size.x <= 0.0f) size.x = (isLink ? 4.0f : 44.0f) * uiScale + textSize.x;
  if (size.y <= 0.0f) size.y = (isLink ? 4.0f : 22.0f) * uiScale + textSize.y;

  const ItemState item = invisibleItem(label, size, enabled);
  recordLayout(label, item.min, item.max);
  Look look;
  look.min = item.min;
  look.max = item.max;
  look.textSize = textSize;
  look.f = enabled ? 1.0f : 0.4f;
  look.textAlpha = enabled ? 255 : 102;
  look.radius = std::min(size.y / 2.0f, 16.0f * uiScale);
  look.textPos = ImVec2(item.min.x + (size.x - textSize.x) / 2.0f,
                        item.min.y + (size.y - textSize.y) / 2.0f - uiScale);

  ImDrawList* dl = ImGui::GetWindowDrawList();
  switch (style) {
    case ButtonStyle::primary:
      drawPrimary(dl, look, item, enabled, font, px, label, textEnd);
      break;
    case ButtonStyle::secondary:
    case ButtonStyle::danger:
      drawFramed(dl, look, item, enabled, style == ButtonStyle::danger, font, px, label, textEnd);
      break;
    case ButtonStyle::link:
      drawLink(dl, look, item, font, px, label, textEnd);
      break;
  }
  if (item.focused) focusRing(item.min, item.max, isLink ? 4.0f * uiScale : look.radius);
  return item.clicked;
}

}  // namespace scf
