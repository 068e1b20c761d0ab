#include "ui/widgets/progress_bar.h"

#include <algorithm>
#include <cmath>

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/layout_record.h"
#include "ui/palette.h"
#include "ui/widgets/widget_state.h"

namespace scf {

void progressBar(float fraction, ImVec2 size, double time) {
  const ImVec2 min = ImGui::GetCursorScreenPos();
  ImGui::Dummy(size);
  recordLastItem("progress bar");
  const ImVec2 max(min.x + size.x, min.y + size.y);
  const float half = size.y / 2.0f;

  ImDrawList* dl = ImGui::GetWindowDrawList();
  dl->AddRectFilled(min, max, withAlphaByte(colNavy, 90), half);
  dl->AddRect(min, max, withAlphaByte(0x8CAAFF, 46), half, 0, uiScale);

  // Written so that NaN counts as nothing done.
  const float done = fraction > 0.0f ? std::min(fraction, 1.0f) : 0.0f;
  if (done <= 0.0f) return;

  // A small fraction still shows as a round dot, but never past the track's end.
  const float fillRight = std::min(min.x + std::max(size.x * done, size.y), max.x);
  const ImVec2 fillMax(fillRight, max.y);
  glowLayers(dl, min, fillMax, colAccent, 0.063f, half);

  const int first = dl->VtxBuffer.Size;
  dl->AddRectFilled(min, fillMax, IM_COL32_WHITE, half);
  ImGui::ShadeVertsLinearColorGradientKeepAlpha(dl, first, dl->VtxBuffer.Size, min, max,
                                                withAlpha(colAccent, 1.0f),
                                                withAlpha(colViolet, 1.0f));

  if (done >= 1.0f) return;
  const float band = 40.0f * uiScale;
  const float cycle = (fillRight - min.x) + 2.0f * band;
  const float x =
      min.x + static_cast<float>(std::fmod(160.0 * uiScale * time, static_cast<double>(cycle))) -
      band;
  const ImU32 clear = IM_COL32(255, 255, 255, 0);
  const ImU32 bright = IM_COL32(255, 255, 255, 60);
  dl->PushClipRect(min, fillMax, true);
  dl->AddRectFilledMultiColor(ImVec2(x - band, min.y), ImVec2(x, max.y), clear, bright, bright,
                              clear);
  dl->AddRectFilledMultiColor(ImVec2(x, min.y), ImVec2(x + band, max.y), bright, clear, clear,
                              bright);
  dl->PopClipRect();
}

}  // namespace scf
