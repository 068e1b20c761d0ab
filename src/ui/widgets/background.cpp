#include "ui/widgets/background.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/window.h"
#include "imgui_internal.h"

namespace scf {
namespace {

constexpr int kRows = 31;
constexpr int kColumns = 49;
constexpr int kLightColumns = 15;

// Dark blue with a glow rising from below the middle of the bottom edge and darker corners.
ImU32 gridColour(int row, int column) {
  const double fy = row / 30.0;
  const double fx = column / 48.0 - 0.5;
  const double e = 2.0 * std::sqrt(fx * fx + (fy - 0.5) * (fy - 0.5));
  const double dx = fx / 0.62;
  const double dy = (fy - 1.02) / 1.05;
  const double d = std::sqrt(dx * dx + dy * dy);
  const double v = std::clamp((e / 1.414 - 0.45) / 0.55, 0.0, 1.0);
  const double h = 1.0 - 0.65 * v * v * (3.0 - 2.0 * v);
  double r = 0;
  double g = 0;
  double b = 0;
  if (d < 0.55) {
    const double l = d / 0.55;
    r = 20.0 - 15.0 * l;
    g = 50.0 - 39.0 * l;
    b = 143.0 - 105.0 * l;
  } else {
    const double m = std::min((d - 0.55) / 0.45, 1.0);
    r = 5.0 - 4.0 * m;
    g = 11.0 - 8.0 * m;
    b = 38.0 - 28.0 * m;
  }
  return IM_COL32(static_cast<int>(r * h), static_cast<int>(g * h), static_cast<int>(b * h), 255);
}

// Computed once: the grid does not depend on the window size.
const std::array<ImU32, kRows * kColumns>& colourGrid() {
  static const std::array<ImU32, kRows* kColumns> grid = [] {
    std::array<ImU32, kRows * kColumns> cells{};
    for (int i = 0; i < kRows; ++i) {
      for (int j = 0; j < kColumns; ++j)
        cells[i * kColumns + j] = gridColour(i, j);
    }
    return cells;
  }();
  return grid;
}

ImU32 rgbFraction(int r, int g, int b, float alpha) {
  const float a = std::clamp(alpha, 0.0f, 1.0f);
  return IM_COL32(r, g, b, static_cast<int>(a * 255.0f));
}

void addLightColumn(ImDrawList& dl, int n, float width, float height, double time, bool motion) {
  const float s = uiScale;
  const float nf = static_cast<float>(n);
  const float wave = 43758.546875f * std::sin(12.9898f * nf);
  const float a = wave - std::floor(wave);
  const float w = (nf + 0.5f) / static_cast<float>(kLightColumns);
  const double t = motion ? time : 0.0;
  const float g = static_cast<float>(std::sin(1.7 * n + 0.35 * t));
  const float p = static_cast<float>(std::sin(2.3 * n + 0.5 * t));

  const float centre = ((a - 0.5f) * 0.02f + w) * width;
  float b = (0.01f * a + 0.018f) * width;
  float left = centre - b / 2.0f;
  const float intensity = 0.85f + 0.15f * p;
  float e = (0.22f * (1.0f - 1.2f * std::fabs(w - 0.5f)) * (0.45f * a + 0.55f) + 0.08f) * height *
            (1.0f + 0.07f * g);
  float top = height - e;

  for (int step = 3; step >= 1; --step) {
    const float grow = 5.0f * static_cast<float>(step * step) * 0.7f * s;
    const ImVec2 min(left - grow, top - grow);
    const ImVec2 max(centre + b / 2.0f + grow, height);
    const float radius = 0.15f * std::min(max.x - min.x, max.y - min.y);
    dl.AddRectFilled(min, max,
                     rgbFraction(79, 116, 255, 0.03f * intensity / static_cast<float>(step)),
                     std::max(radius, 0.0f));
  }

  left = std::floor(left);
  b = std::floor(b);
  top = std::floor(top);
  e = std::floor(e);
  const ImU32 upper = rgbFraction(111, 140, 255, 0.26f * intensity);
  const ImU32 lower = rgbFraction(20, 50, 143, 0.06f * intensity);
  dl.AddRectFilledMultiColor(ImVec2(left, top), ImVec2(left + b, top + e), upper, upper, lower,
                             lower);
  dl.AddRectFilled(ImVec2(left, top), ImVec2(left + b, top + std::floor(2.0f * s)),
                   rgbFraction(201, 219, 255, 0.35f * intensity));
}

}  // namespace

void addBackgroundMesh(ImDrawList& dl, float width, float height) {
  const auto& grid = colourGrid();
  constexpr int kCells = (kRows - 1) * (kColumns - 1);
  dl.PrimReserve(kCells * 6, kRows * kColumns);
  const ImVec2 uv = dl._Data->TexUvWhitePixel;
  const auto base = static_cast<ImDrawIdx>(dl._VtxCurrentIdx);
  for (int i = 0; i < kRows; ++i) {
    for (int j = 0; j < kColumns; ++j) {
      ImDrawVert& vertex = dl._VtxWritePtr[i * kColumns + j];
      vertex.pos =
          ImVec2(static_cast<float>(j) * width / 48.0f, static_cast<float>(i) * height / 30.0f);
      vertex.uv = uv;
      vertex.col = grid[i * kColumns + j];
    }
  }
  ImDrawIdx* index = dl._IdxWritePtr;
  for (int row = 0; row < kRows - 1; ++row) {
    for (int column = 0; column < kColumns - 1; ++column) {
      const auto k = static_cast<ImDrawIdx>(base + row * kColumns + column);
      const ImDrawIdx quad[6] = {k,
                                 static_cast<ImDrawIdx>(k + 1),
                                 static_cast<ImDrawIdx>(k + kColumns + 1),
                                 k,
                                 static_cast<ImDrawIdx>(k + kColumns + 1),
                                 static_cast<ImDrawIdx>(k + kColumns)};
      index = std::copy(std::begin(quad), std::end(quad), index);
    }
  }
  dl._VtxWritePtr += kRows * kColumns;
  dl._IdxWritePtr = index;
  dl._VtxCurrentIdx += kRows * kColumns;
}

void paintBackground(ImDrawList& dl, float width, float height, double time, bool motion) {
  addBackgroundMesh(dl, width, height);
  for (int n = 0; n < kLightColumns; ++n)
    addLightColumn(dl, n, width, height, time, motion);
  const ImU32 scan = IM_COL32(255, 255, 255, 5);
  for (float y = 0.0f; y < height; y += 3.0f) {
    dl.AddRectFilled(ImVec2(0.0f, y), ImVec2(width, y + 1.0f), scan);
  }
}

void drawBackground(double time, bool motion) {
  const ImVec2 size = ImGui::GetIO().DisplaySize;
  paintBackground(*ImGui::GetBackgroundDrawList(), size.x, size.y, time, motion);
}

}  // namespace scf
