#include "ui/widgets/card.h"

#include <algorithm>

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/layout_record.h"
#include "ui/nav_focus.h"
#include "ui/palette.h"

namespace scf {
namespace {

// The open card's geometry, valid between beginCard and endCard.
struct CardSlot {
  ImVec2 topLeft;
  float width = 0;
  float padding = 0;
  float maxHeight = 0;  // 0: the card grows with its body
};

CardSlot openCard;
// Whether the last scrolling body drawn had more below its visible part.
bool moreBelow = false;

constexpr ImU32 kCardFill = IM_COL32(8, 14, 36, 205);

void paintPanel(ImDrawList* dl, float left, float top, float right, float bottom) {
  const float s = uiScale;
  dl->AddRectFilled(ImVec2(left, top + 6.0f * s), ImVec2(right, bottom + 10.0f * s),
                    IM_COL32(0, 0, 0, 70), 16.0f * s);
  dl->AddRectFilled(ImVec2(left, top), ImVec2(right, bottom), kCardFill, 14.0f * s);
  const ImU32 sheenTop = withAlphaByte(colNavy, 60);
  const ImU32 sheenBottom = withAlphaByte(colNavy, 0);
  dl->AddRectFilledMultiColor(ImVec2(left + 14.0f * s, top + 1.0f),
                              ImVec2(right - 14.0f * s, top + 40.0f * s), sheenTop, sheenTop,
                              sheenBottom, sheenBottom);
  dl->AddRect(ImVec2(left, top), ImVec2(right, bottom), withAlphaByte(0x8CAAFF, 46), 14.0f * s, 0,
              s);
}

// Down on the keys or the pad from the body's last control: nothing more to focus, but the text
// below is still to be read.
bool downPastTheLastControl() {
  if (!focusOnLastBodyControl()) return false;
  for (ImGuiKey key : {ImGuiKey_DownArrow, ImGuiKey_GamepadDpadDown, ImGuiKey_GamepadLStickDown}) {
    if (ImGui::IsKeyPressed(key, ImGuiInputFlags_Repeat, ImGuiKeyOwner_Any)) return true;
  }
  return false;
}

// Page Up/Down and Home/End move the body while no popup or text field has the keys, and so does
// moving down from its last control.
void scrollByKeys(ImGuiWindow* body) {
  if (ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId) || ImGui::GetIO().WantTextInput) return;
  const float page = body->InnerRect.GetHeight() * 0.8f;
  float target = body->Scroll.y;
  if (downPastTheLastControl()) target += page / 2.0f;
  if (ImGui::IsKeyPressed(ImGuiKey_PageDown, ImGuiInputFlags_Repeat, ImGuiKeyOwner_Any))
    target += page;
  if (ImGui::IsKeyPressed(ImGuiKey_PageUp, ImGuiInputFlags_Repeat, ImGuiKeyOwner_Any))
    target -= page;
  if (ImGui::IsKeyPressed(ImGuiKey_End, ImGuiInputFlags_None, ImGuiKeyOwner_Any))
    target = body->ScrollMax.y;
  if (ImGui::IsKeyPressed(ImGuiKey_Home, ImGuiInputFlags_None, ImGuiKeyOwner_Any)) target = 0.0f;
  if (target != body->Scroll.y)
    ImGui::SetScrollY(body, std::clamp(target, 0.0f, body->ScrollMax.y));
}

// A fade into the card's colour along an edge of the visible body, and below it a chevron in
// the accent colour pointing the way to the rest.
void drawMoreHint(ImDrawList* dl, ImVec2 clipMin, ImVec2 clipMax, bool below) {
  const float s = uiScale;
  const float fade = 36.0f * s;
  const ImU32 clear = IM_COL32(8, 14, 36, 0);
  const ImU32 solid = IM_COL32(8, 14, 36, 235);
  if (below) {
    dl->AddRectFilledMultiColor(ImVec2(clipMin.x, clipMax.y - fade), clipMax, clear, clear, solid,
                                solid);
    const float cx = (clipMin.x + clipMax.x) / 2.0f;
    const float cy = clipMax.y + 14.0f * s;
    const ImVec2 chevron[3] = {ImVec2(cx - 9.0f * s, cy - 4.0f * s), ImVec2(cx, cy + 4.0f * s),
                               ImVec2(cx + 9.0f * s, cy - 4.0f * s)};
    dl->AddPolyline(chevron, 3, withAlpha(colAccent, 1.0f), ImDrawFlags_None, 2.0f * s);
  } else {
    dl->AddRectFilledMultiColor(clipMin, ImVec2(clipMax.x, clipMin.y + fade), solid, solid, clear,
                                clear);
  }
}

}  // namespace

void beginCard(float width, float paddingPt, float maxHeight, const char* bodyId) {
  openCard.topLeft = ImGui::GetCursorScreenPos();
  openCard.width = width;
  openCard.padding = paddingPt * uiScale;
  openCard.maxHeight = maxHeight;
  const float pad = openCard.padding;
  const ImVec2 inner(openCard.topLeft.x + pad, openCard.topLeft.y + pad);

  if (maxHeight > 0.0f) {
    ImGui::SetCursorScreenPos(inner);
    const ImVec2 size(width - 2.0f * pad, std::max(maxHeight - 2.0f * pad, 1.0f));
    ImGui::BeginChild(bodyId, size, ImGuiChildFlags_NavFlattened,
                      ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoBackground |
                          ImGuiWindowFlags_NoSavedSettings);
    setInScrollBody(true);
    ImGui::PushTextWrapPos(size.x);
    ImGui::BeginGroup();
    return;
  }

  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->ChannelsSplit(2);
  dl->ChannelsSetCurrent(1);
  ImGui::SetCursorScreenPos(inner);
  ImGui::BeginGroup();
  // The wrap position is in window coordinates.
  const float rightEdge = openCard.topLeft.x + width - pad;
  ImGui::PushTextWrapPos(rightEdge - ImGui::GetWindowPos().x + ImGui::GetScrollX());
}

bool cardHasMoreBelow() {
  return moreBelow;
}

void endCard() {
  const float left = openCard.topLeft.x;
  const float top = openCard.topLeft.y;
  const float right = left + openCard.width;
  const float pad = openCard.padding;

  if (openCard.maxHeight > 0.0f) {
    ImGui::EndGroup();
    ImGui::PopTextWrapPos();
    ImGuiWindow* body = ImGui::GetCurrentWindow();
    // The body's full height, measured in this frame, whatever it is scrolled to.
    const float content = ImGui::GetItemRectMax().y - (body->Pos.y - body->Scroll.y);
    const ImVec2 clipMin = body->InnerClipRect.Min;
    const ImVec2 clipMax = body->InnerClipRect.Max;
    const bool scrolls = content > body->Size.y + 0.5f;
    const float scroll = body->Scroll.y;
    const bool more = scrolls && scroll < content - body->Size.y - 0.5f;
    if (scrolls) scrollByKeys(body);
    moreBelow = more;
    ImDrawList* bodyList = ImGui::GetWindowDrawList();
    ImGui::PushClipRect(ImVec2(left, top), ImVec2(right, top + openCard.maxHeight), false);
    if (more) drawMoreHint(bodyList, clipMin, clipMax, true);
    if (scrolls && scroll > 0.5f) drawMoreHint(bodyList, clipMin, clipMax, false);
    ImGui::PopClipRect();
    setInScrollBody(false);
    ImGui::EndChild();

    const float bottom = top + std::min(content, body->Size.y) + 2.0f * pad;
    // Behind the body: the root's list is drawn before the child's.
    paintPanel(ImGui::GetWindowDrawList(), left, top, right, bottom);
    if (layoutRecording()) {
      CardBodyRecord& record = cardBodyRecord();
      record.present = true;
      record.cardMin = ImVec2(left, top);
      record.cardMax = ImVec2(right, bottom);
      record.clipMin = clipMin;
      record.clipMax = clipMax;
      record.contentHeight = content;
      record.scrolls = scrolls;
      record.moreHint = more;
    }
    ImGui::SetCursorScreenPos(ImVec2(left, bottom));
    ImGui::Dummy(ImVec2(openCard.width, 0.0f));
    return;
  }

  ImGui::PopTextWrapPos();
  ImGui::EndGroup();
  const float bottom = ImGui::GetItemRectMax().y + pad;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->ChannelsSetCurrent(0);
  paintPanel(dl, left, top, right, bottom);
  dl->ChannelsMerge();

  ImGui::SetCursorScreenPos(ImVec2(left, bottom));
  ImGui::Dummy(ImVec2(openCard.width, 0.0f));
}

}  // namespace scf
