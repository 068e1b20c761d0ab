#include "ui/screens/recovery_screen.h"

#include <algorithm>

#include "app/window.h"
#include "imgui.h"
#include "ui/palette.h"
#include "ui/widgets/notice_box.h"

namespace scf {

void drawRecoveryScreen(const std::string& sentence) {
  const float s = uiScale;
  const ImVec2 size = ImGui::GetIO().DisplaySize;
  ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
  ImGui::SetNextWindowSize(size);
  constexpr ImGuiWindowFlags kFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                      ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoScrollbar |
                                      ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoBackground |
                                      ImGuiWindowFlags_NoSavedSettings;
  ImGui::Begin("##recovery", nullptr, kFlags);
  const float width = std::max(200.0f * s, std::min(640.0f * s, size.x - 80.0f * s));
  ImGui::SetCursorPos(ImVec2((size.x - width) * 0.5f, size.y * 0.4f));
  noticeBox(sentence.c_str(), nullptr, colAccent, width);
  ImGui::End();
}

}  // namespace scf
