#include "ui/widgets/text.h"

#include <cmath>
#include <cstring>

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/fonts.h"
#include "ui/layout_record.h"
#include "ui/palette.h"

namespace scf {
namespace {

constexpr float kHeadingSize = 30.0f;
constexpr float kHeadingSpacing = 0.5f;

// Byte length of the UTF-8 character that starts at text (1 for a stray continuation byte).
int utf8Length(const char* text, const char* end) {
  unsigned int codepoint = 0;
  const int length = ImTextCharFromUtf8(&codepoint, text, end);
  return length > 0 ? length : 1;
}

}  // namespace

void label(const char* text, float sizePt, std::uint32_t rgb, float alpha) {
  ImGui::PushFont(textFont(), sizePt * uiScale);
  ImGui::PushStyleColor(ImGuiCol_Text, withAlpha(rgb, alpha));
  ImGui::TextUnformatted(text);
  recordLastItem(text);
  ImGui::PopStyleColor();
  ImGui::PopFont();
}

void paragraph(const char* text, float sizePt, std::uint32_t rgb, float alpha) {
  ImGui::PushFont(textFont(), sizePt * uiScale);
  ImGui::PushStyleColor(ImGuiCol_Text, withAlpha(rgb, alpha));
  ImGui::TextWrapped("%s", text);
  recordLastItem(text);
  ImGui::PopStyleColor();
  ImGui::PopFont();
}

float spacedText(ImVec2 pos, const char* text, float pixelSize, ImU32 colour, float spacingPt) {
  ImFont* font = textFont();
  ImDrawList* drawList = ImGui::GetWindowDrawList();
  const char* end = text + std::strlen(text);
  if (spacingPt <= 0.0f) {
    drawList->AddText(font, pixelSize, pos, colour, text, end);
    return font->CalcTextSizeA(pixelSize, FLT_MAX, 0.0f, text, end).x;
  }
  const float spacing = spacingPt * uiScale;
  float x = pos.x;
  bool first = true;
  for (const char* c = text; c < end;) {
    const char* next = c + utf8Length(c, end);
    if (!first) x += spacing;
    drawList->AddText(font, pixelSize, ImVec2(x, pos.y), colour, c, next);
    x += font->CalcTextSizeA(pixelSize, FLT_MAX, 0.0f, c, next).x;
    first = false;
    c = next;
  }
  return x - pos.x;
}

ImVec2 measureSpaced(const char* text, float sizePt, float spacingPt) {
  ImVec2 size = textFont()->CalcTextSizeA(sizePt * uiScale, FLT_MAX, 0.0f, text);
  if (spacingPt > 0.0f) {
    const int characters = ImTextCountCharsFromUtf8(text, nullptr);
    if (characters > 1) size.x += spacingPt * uiScale * static_cast<float>(characters - 1);
  }
  return size;
}

float glowText(ImVec2 pos, const char* text, float sizePt, std::uint32_t rgb, float spacingPt,
               bool bold, float glow) {
  const float px = sizePt * uiScale;
  if (glow > 0.0f) {
    for (int k = 1; k <= 3; ++k) {
      const float radius = 1.6f * static_cast<float>(k) * uiScale;
      const int alpha = static_cast<int>(glow * 255.0f * 0.1f / static_cast<float>(k));
      const ImU32 colour = IM_COL32(110, 155, 255, ImClamp(alpha, 0, 255));
      for (int d = 0; d < 8; ++d) {
        const float angle = static_cast<float>(d) * IM_PI / 4.0f;
        spacedText(ImVec2(pos.x + radius * std::cos(angle), pos.y + radius * std::sin(angle)), text,
                   px, colour, spacingPt);
      }
    }
  }
  const ImU32 colour = withAlpha(rgb, 1.0f);
  const float width = spacedText(pos, text, px, colour, spacingPt);
  if (bold) {
    spacedText(ImVec2(pos.x + 0.55f * uiScale, pos.y), text, px, colour, spacingPt);
    spacedText(ImVec2(pos.x + 0.3f * uiScale, pos.y + 0.3f * uiScale), text, px, colour, spacingPt);
  }
  return width;
}

void heading(const char* text, std::uint32_t rgb) {
  glowText(ImGui::GetCursorScreenPos(), text, kHeadingSize, rgb, kHeadingSpacing, true, 0.5f);
  ImGui::Dummy(measureSpaced(text, kHeadingSize, kHeadingSpacing));
  recordLastItem(text);
}

}  // namespace scf
