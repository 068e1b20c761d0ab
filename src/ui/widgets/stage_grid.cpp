#include "ui/widgets/stage_grid.h"

#include <cstdio>

#include "app/window.h"
#include "imgui.h"
#include "release/tr.h"
#include "ui/fonts.h"
#include "ui/palette.h"

namespace scf {
namespace {

constexpr int kLeftColumnRows = 5;

std::uint32_t labelColour(int state) {
  switch (state) {
    case kStageRunning:
      return colText;
    case kStagePending:
      return colLabel;
    case kStageFailed:
      return colBad;
    default:
      return colMuted;
  }
}

}  // namespace

StepIconKind stageIconKind(int state) {
  switch (state) {
    case kStagePending:
      return StepIconKind::pending;
    case kStageRunning:
      return StepIconKind::active;
    case kStageDone:
      return StepIconKind::done;
    case kStageSkipped:
      return StepIconKind::doneBefore;
    default:
      return StepIconKind::failed;
  }
}

std::string stageRightText(const Stage& stage) {
  if (stage.state == kStageRunning && stage.percent > 0) {
    char text[16];
    std::snprintf(text, sizeof text, "%d %%", stage.percent);
    return text;
  }
  if (stage.state == kStageDone && stage.seconds >= 1.0) return formatDuration(stage.seconds);
  if (stage.state == kStageSkipped) return tr("done before", "déjà fait");
  return {};
}

void drawStageGrid(const BuildProgress& progress, float contentWidth, double animTime) {
  const float s = uiScale;
  const ImVec2 top = ImGui::GetCursorScreenPos();
  const float columnWidth = (contentWidth - 20.0f * s) / 2.0f;
  const float rowHeight = 34.0f * s;
  ImFont* font = textFont();
  ImDrawList* dl = ImGui::GetWindowDrawList();

  for (std::size_t i = 0; i < progress.stages.size(); ++i) {
    const Stage& stage = progress.stages[i];
    const int index = static_cast<int>(i);
    const int column = index < kLeftColumnRows ? 0 : 1;
    const int row = column == 0 ? index : index - kLeftColumnRows;
    const float left = top.x + static_cast<float>(column) * (columnWidth + 20.0f * s);
    const float middle = top.y + static_cast<float>(row) * rowHeight + rowHeight / 2.0f;

    stepIcon(ImVec2(left + 10.0f * s, middle), stageIconKind(stage.state), animTime);

    const std::string name = stageLabel(stage.key);
    const float namePx = 18.0f * s;
    const ImVec2 nameSize = font->CalcTextSizeA(namePx, FLT_MAX, 0.0f, name.c_str());
    dl->AddText(font, namePx, ImVec2(left + 30.0f * s, middle - nameSize.y / 2.0f - 2.0f * s),
                withAlpha(labelColour(stage.state), 1.0f), name.c_str());

    const std::string right = stageRightText(stage);
    if (right.empty()) continue;
    const float rightPx = 15.0f * s;
    const ImVec2 rightSize = font->CalcTextSizeA(rightPx, FLT_MAX, 0.0f, right.c_str());
    dl->AddText(
        font, rightPx, ImVec2(left + columnWidth - rightSize.x, middle - rightSize.y / 2.0f - s),
        withAlpha(stage.state == kStageRunning ? colAccent : colLabel, 1.0f), right.c_str());
  }
}

}  // namespace scf
