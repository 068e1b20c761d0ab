#include "ui/dialogs/whats_new.h"

#include <algorithm>
#include <string>

#include "app/app.h"
#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/dialogs/notes.h"
#include "ui/nav_keys.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/text.h"

namespace scf {

void drawNotes(std::string_view changelog) {
  const float s = uiScale;
  for (std::string entry : gatherNoteEntries(changelog)) {
    if (entry.empty()) {
      ImGui::Dummy(ImVec2(0.0f, 4.0f * s));
      continue;
    }
    if (entry.size() > 3 && entry.starts_with("### ")) {
      ImGui::Dummy(ImVec2(0.0f, 4.0f * s));
      label(stripInline(std::string_view(entry).substr(4)).c_str(), 19.0f, colViolet);
      continue;
    }
    if (entry.starts_with("- ")) entry.replace(0, 2, "• ");
    paragraph(stripInline(entry).c_str(), 17.0f, colText);
  }
}

void drawWhatsNewDialog(App& app) {
  const float s = uiScale;
  if (app.showWhatsNew) {
    ImGui::OpenPopup("##whatsnew");
    app.showWhatsNew = false;
  }
  const ImVec2 display = ImGui::GetIO().DisplaySize;
  const float width = std::min(820.0f * s, display.x - 80.0f * s);
  ImGui::SetNextWindowPos(ImVec2(display.x / 2.0f, display.y / 2.0f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::SetNextWindowSize(ImVec2(width, 0.0f));
  if (!ImGui::BeginPopupModal("##whatsnew", nullptr,
                              ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_AlwaysAutoResize)) {
    return;
  }
  const std::string title =
      std::string(tr("What's new in ", "Nouveautés de la version ")) + app.identity.displayVersion;
  heading(title.c_str(), colText);

  // A window at its minimum size still leaves the notes a few lines.
  const float textHeight = std::max(std::min(420.0f * s, display.y - 260.0f * s), 80.0f * s);
  const float textWidth = width - 56.0f * s;
  ImGui::BeginChild("##whatsnew-text", ImVec2(textWidth, textHeight), ImGuiChildFlags_None);
  ImGui::PushTextWrapPos(textWidth - 16.0f * s);
  drawNotes(app.identity.changelogText);
  ImGui::PopTextWrapPos();
  ImGui::EndChild();

  ImGui::Dummy(ImVec2(0.0f, 8.0f * s));
  if (button(tr("Close", "Fermer"), ImVec2(160.0f * s, 44.0f * s), ButtonStyle::primary, true,
             20.0f) ||
      backPressed()) {
    ImGui::CloseCurrentPopup();
  }
  ImGui::EndPopup();
}

}  // namespace scf
