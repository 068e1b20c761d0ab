#include "ui/screens/task_notices.h"

#include <string>

#include "app/app.h"
#include "app/task_table.h"
#include "app/window.h"
#include "imgui.h"
#include "prepare/disc_check.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/widgets/button.h"
#include "ui/widgets/file_name.h"
#include "ui/widgets/spinner.h"
#include "ui/widgets/text.h"

namespace scf {

void drawDiscCheckStatus(App& app, float windowWidth, float windowHeight) {
  const DiscCheck& check = app.discCheck;
  if (!check.discChecking || app.screen == kScreenWelcome) return;
  const float s = uiScale;
  const std::string text = std::string(tr("Checking the disc…", "Vérification du disque…")) + "  " +
                           fileNameOf(check.checkedImage);
  const char* cancel = tr("Cancel##cancel-check-footer", "Annuler##cancel-check-footer");
  const float cancelWidth = measureSpaced(tr("Cancel", "Annuler"), 16.0f, 0.0f).x;
  const float textWidth = measureSpaced(text.c_str(), 16.0f, 0.0f).x;
  const float right = windowWidth - 44.0f * s;
  const float top = windowHeight - 46.0f * s;
  const float textLeft = right - cancelWidth - 18.0f * s - textWidth;
  const ImVec2 origin = ImGui::GetWindowPos();
  spinner(ImVec2(origin.x + textLeft - 16.0f * s, origin.y + top + 12.0f * s), 7.0f, app.animTime);
  ImGui::GetWindowDrawList()->AddText(textFont(), 16.0f * s,
                                      ImVec2(origin.x + textLeft, origin.y + top + 4.0f * s),
                                      withAlpha(colAccent, 1.0f), text.c_str());
  ImGui::SetCursorPos(ImVec2(right - cancelWidth, top));
  if (button(cancel, ImVec2(0.0f, 0.0f), ButtonStyle::link, true, 16.0f)) app.discCheck.cancel();
}

void drawRefusalNotice(const App& app, float windowWidth, float windowHeight) {
  const std::string text = refusalText(app.refusal);
  if (text.empty()) return;
  const float s = uiScale;
  const float pad = 12.0f * s;
  const float wrap = 420.0f * s;
  ImFont* font = textFont();
  const ImVec2 size = font->CalcTextSizeA(16.0f * s, wrap, wrap, text.c_str());
  const ImVec2 origin = ImGui::GetWindowPos();
  const ImVec2 max(origin.x + windowWidth - 44.0f * s, origin.y + windowHeight - 58.0f * s);
  const ImVec2 min(max.x - size.x - 2.0f * pad, max.y - size.y - 2.0f * pad);
  ImDrawList* dl = ImGui::GetForegroundDrawList();
  dl->AddRectFilled(min, max, withAlpha(colNavy, 0.96f), 8.0f * s);
  dl->AddRect(min, max, withAlpha(colWarn, 0.9f), 8.0f * s, 0, 1.5f * s);
  dl->AddText(font, 16.0f * s, ImVec2(min.x + pad, min.y + pad), withAlpha(colWarn, 1.0f),
              text.c_str(), nullptr, wrap);
}

}  // namespace scf
