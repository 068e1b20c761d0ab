#include "ui/widgets/step_icon.h"

#include <cmath>

#include "app/window.h"
#include "ui/palette.h"

namespace scf {
namespace {

void tick(ImDrawList* dl, ImVec2 c, float r, int discAlpha, int ringAlpha, int tickAlpha) {
  const float s = uiScale;
  dl->AddCircleFilled(c, r, withAlphaByte(colGood, discAlpha));
  dl->AddCircle(c, r, withAlphaByte(colGood, ringAlpha), 0, 1.5f * s);
  const ImVec2 points[] = {ImVec2(c.x - 0.45f * r, c.y + 0.02f * r),
                           ImVec2(c.x - 0.1f * r, c.y + 0.38f * r),
                           ImVec2(c.x + 0.5f * r, c.y - 0.38f * r)};
  dl->AddPolyline(points, 3, withAlphaByte(colGood, tickAlpha), ImDrawFlags_None, 2.0f * s);
}

}  // namespace

void stepIcon(ImVec2 c, StepIconKind kind, double time) {
  const float s = uiScale;
  const float r = 9.0f * s;
  ImDrawList* dl = ImGui::GetWindowDrawList();
  switch (kind) {
    case StepIconKind::pending:
      dl->AddCircle(c, 0.7f * r, IM_COL32(100, 117, 154, 204), 0, 1.5f * s);
      break;
    case StepIconKind::active: {
      const float pulse = 1.2f + 0.25f * (1.0f + static_cast<float>(std::sin(4.0 * time)));
      dl->AddCircleFilled(c, r * pulse, withAlphaByte(colAccent, 38));
      dl->AddCircleFilled(c, 0.75f * r, withAlphaByte(colAccent, 255));
      break;
    }
    case StepIconKind::done:
      tick(dl, c, r, 56, 229, 255);
      break;
    case StepIconKind::doneBefore:
      tick(dl, c, r, 30, 127, 153);
      break;
    case StepIconKind::failed:
    default: {
      const ImU32 bad = withAlphaByte(colBad, 255);
      dl->AddCircleFilled(c, r, withAlphaByte(colBad, 56));
      dl->AddCircle(c, r, bad, 0, 1.5f * s);
      const float d = 0.4f * r;
      dl->AddLine(ImVec2(c.x - d, c.y - d), ImVec2(c.x + d, c.y + d), bad, 2.0f * s);
      dl->AddLine(ImVec2(c.x + d, c.y - d), ImVec2(c.x - d, c.y + d), bad, 2.0f * s);
      break;
    }
  }
}

}  // namespace scf
