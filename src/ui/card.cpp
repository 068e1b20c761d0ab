#include "ui/card.h"

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/palette.h"

namespace scf {
namespace {

// The open card's geometry, valid between beginCard and endCard.
struct CardSlot {
  ImVec2 topLeft;
  float width = 0;
  float padding = 0;
};

CardSlot openCard;

}  // namespace

void beginCard(float width, float paddingPt) {
  openCard.topLeft = ImGui::GetCursorScreenPos();
  openCard.width = width;
  openCard.padding = paddingPt * uiScale;

  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->ChannelsSplit(2);
  dl->ChannelsSetCurrent(1);
  ImGui::SetCursorScreenPos(
      ImVec2(openCard.topLeft.x + openCard.padding, openCard.topLeft.y + openCard.padding));
  ImGui::BeginGroup();
  // The wrap position is in window coordinates.
  const float rightEdge = openCard.topLeft.x + width - openCard.padding;
  ImGui::PushTextWrapPos(rightEdge - ImGui::GetWindowPos().x + ImGui::GetScrollX());
}

void endCard() {
  ImGui::PopTextWrapPos();
  ImGui::EndGroup();
  const float s = uiScale;
  const float left = openCard.topLeft.x;
  const float top = openCard.topLeft.y;
  const float right = left + openCard.width;
  const float bottom = ImGui::GetItemRectMax().y + openCard.padding;

  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->ChannelsSetCurrent(0);
  dl->AddRectFilled(ImVec2(left, top + 6.0f * s), ImVec2(right, bottom + 10.0f * s),
                    IM_COL32(0, 0, 0, 70), 16.0f * s);
  dl->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), IM_COL32(8, 14, 36, 205), 14.0f * s);
  const ImU32 sheenTop = withAlphaByte(colNavy, 60);
  const ImU32 sheenBottom = withAlphaByte(colNavy, 0);
  dl->AddRectFilledMultiColor(ImVec2(left + 14.0f * s, top + 1.0f),
                              ImVec2(right - 14.0f * s, top + 40.0f * s), sheenTop, sheenTop,
                              sheenBottom, sheenBottom);
  dl->AddRect(ImVec2(left, top), ImVec2(right, bottom), withAlphaByte(0x8CAAFF, 46), 14.0f * s, 0,
              s);
  dl->ChannelsMerge();

  ImGui::SetCursorScreenPos(ImVec2(left, bottom));
  ImGui::Dummy(ImVec2(openCard.width, 0.0f));
}

}  // namespace scf
