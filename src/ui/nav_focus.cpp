#include "ui/nav_focus.h"

#include "imgui_internal.h"

namespace scf {
namespace {

struct FocusState {
  // A new GUI context starts afresh.
  ImGuiContext* context = nullptr;
  int frame = -1;
  long place = -1;
  bool pending = false;  // the focus is to land on the page drawn now
  bool blocked = false;  // a dialog is open: the landing waits
  bool cursorShown = false;
  bool landedOnMain = false;  // this frame's landing went to the main action
  bool landed = false;
  bool popupAtEnd = false;      // a popup was open when the last frame ended
  ImGuiID lastBodyControl = 0;  // the last control the card's body offered in this frame
};

// The UI thread's alone.
FocusState state;

bool anyPopupOpen() {
  return ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId);
}

// The GUI library's own first pick (made when a window appears or takes the focus) is dropped:
// the launcher says where the focus goes.
void dropLibraryPick() {
  ImGuiContext& g = *GImGui;
  g.NavInitRequest = false;
  g.NavInitResult.Clear();
}

void showCursor(bool shown) {
  GImGui->NavCursorVisible = shown;
  GImGui->NavHighlightItemUnderNav = shown;
}

// Gives the last item the focus, in its own window, and scrolls it into view.
void land() {
  ImGuiContext& g = *GImGui;
  const ImGuiID id = g.LastItemData.ID;
  ImGuiWindow* window = g.CurrentWindow;
  if (id == 0 || window == nullptr) return;
  ImGui::SetFocusID(id, window);
  dropLibraryPick();
  showCursor(state.cursorShown);
  // Keys and pads follow the focus; a mouse user keeps the page where it starts.
  if (state.cursorShown && !window->ClipRect.Contains(g.LastItemData.Rect))
    ImGui::ScrollToRectEx(window, g.LastItemData.Rect, ImGuiScrollFlags_KeepVisibleEdgeY);
  state.landed = true;
}

}  // namespace

void beginFocusFrame(long place, bool cursorShown) {
  if (state.context != GImGui || GImGui->FrameCount <= state.frame) {
    state = FocusState{};
    state.context = GImGui;
  }
  state.frame = GImGui->FrameCount;
  if (place != state.place) {
    state.place = place;
    state.pending = true;
  }
  state.cursorShown = cursorShown;
  state.blocked = anyPopupOpen();
  if (state.pending && !state.blocked) dropLibraryPick();
  state.landed = false;
  state.landedOnMain = false;
  state.lastBodyControl = 0;
}

void mainAction() {
  ImGui::SetItemDefaultFocus();
  if (!state.pending || state.blocked || state.landedOnMain) return;
  land();
  state.landedOnMain = state.landed;
}

void offerFocus() {
  ImGuiContext& g = *GImGui;
  ImGuiWindow* window = g.CurrentWindow;
  // Only the card's body (a child of the page window, not of a dialog) offers its controls.
  if (window == nullptr || !(window->Flags & ImGuiWindowFlags_ChildWindow) ||
      (window->RootWindow->Flags & ImGuiWindowFlags_Popup))
    return;
  const int unreachable = ImGuiItemFlags_Disabled | static_cast<int>(ImGuiItemFlags_NoNav);
  if (g.LastItemData.ItemFlags & unreachable) return;
  state.lastBodyControl = g.LastItemData.ID;
  if (!state.pending || state.blocked || state.landed) return;
  land();
}

bool focusOnLastBodyControl() {
  return state.lastBodyControl != 0 && GImGui->NavId == state.lastBodyControl;
}

void endFocusFrame() {
  if (state.pending && !state.blocked) state.pending = false;
  state.popupAtEnd = anyPopupOpen();
}

bool popupOpenOrJustClosed() {
  return state.popupAtEnd || anyPopupOpen();
}

}  // namespace scf
