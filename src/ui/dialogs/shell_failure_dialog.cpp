#include "ui/dialogs/shell_failure_dialog.h"

#include <algorithm>
#include <optional>

#include "app/window.h"
#include "imgui.h"
#include "platform/shell.h"
#include "release/tr.h"
#include "ui/nav_keys.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/text.h"

namespace scf {

namespace {

constexpr const char* kPopup = "##shell-failure";
// The failure on screen; the UI thread's alone.
std::optional<ShellFailure> shown;

}  // namespace

void drawShellFailureDialog() {
  const float s = uiScale;
  if (!shown) {
    shown = takeShellFailure();
    if (!shown) return;
    ImGui::OpenPopup(kPopup);
  }
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  const float width = std::min(720.0f * s, display.x - 80.0f * s);
  ImGui::SetNextWindowPos(ImVec2(display.x / 2.0f, display.y / 2.0f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(width, 0.0f));
  if (!ImGui::BeginPopupModal(kPopup, nullptr,
                              ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize)) {
    shown.reset();
    return;
  }
  heading(tr("The desktop could not open this.", "Le bureau n'a pas pu ouvrir ceci."), colBad);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + width - 56.0f * s);
  paragraph(shown->target.c_str(), 17.0f, colText);
  paragraph(shown->reason.c_str(), 15.0f, colMuted);
  ImGui::PopTextWrapPos();
  ImGui::Dummy(ImVec2(0.0f, 8.0f * s));
  // The path can still be opened by hand: it is one click away from the clipboard.
  if (button(tr("Copy the path##shell-failure", "Copier le chemin##shell-failure"),
             ImVec2(0.0f, 44.0f * s), ButtonStyle::secondary, true, 18.0f)) {
    ImGui::SetClipboardText(shown->target.c_str());
  }
  ImGui::SameLine(0.0f, 12.0f * s);
  const bool close = button(tr("Close##shell-failure", "Fermer##shell-failure"),
                            ImVec2(160.0f * s, 44.0f * s), ButtonStyle::secondary, true, 18.0f);
  ImGui::SetItemDefaultFocus();
  if (close || backPressed()) {
    ImGui::CloseCurrentPopup();
    shown.reset();
  }
  ImGui::EndPopup();
}

}  // namespace scf
