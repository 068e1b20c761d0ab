#include "ui/dialogs/quit_dialog.h"

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/nav_keys.h"
#include "ui/palette.h"
#include "ui/screens/task_status.h"
#include "ui/widgets/button.h"
#include "ui/widgets/text.h"

namespace scf {

void drawQuitDialog(App& app) {
  const float s = uiScale;
  if (app.quitAsked) {
    ImGui::OpenPopup("##quit");
    app.quitAsked = false;
  }
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(display.x / 2.0f, display.y / 2.0f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  if (!ImGui::BeginPopupModal("##quit", nullptr,
                              ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize)) {
    return;
  }
  heading(tr("Stop preparing and quit?", "Arrêter la préparation et quitter ?"), colText);
  label(tr("It continues from there next time.", "Elle reprendra à partir de là."), 18.0f,
        colMuted);
  ImGui::Dummy(ImVec2(0.0f, 8.0f * s));
  if (button(tr("Keep going", "Continuer"), ImVec2(200.0f * s, 48.0f * s), ButtonStyle::primary,
             true, 20.0f)) {
    ImGui::CloseCurrentPopup();
  }
  ImGui::SetItemDefaultFocus();
  // Escape and the pad's B mean "Keep going" too.
  if (backPressed()) ImGui::CloseCurrentPopup();
  ImGui::SameLine(0.0f, 12.0f * s);
  if (button(tr("Stop and quit", "Arrêter et quitter"), ImVec2(220.0f * s, 48.0f * s),
             ButtonStyle::danger, true, 20.0f)) {
    if (buildInProgress(app)) stopBuildForQuit(app);
    app.quitConfirmed = true;
    ImGui::CloseCurrentPopup();
  }
  ImGui::EndPopup();
}

}  // namespace scf
