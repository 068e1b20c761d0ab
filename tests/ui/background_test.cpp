#include "ui/widgets/background.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/window.h"
#include "headless_gui.h"

namespace scf {
namespace {

struct Snapshot {
  std::vector<ImDrawVert> vertices;
  std::vector<ImDrawIdx> indices;
};

bool operator==(const Snapshot& a, const Snapshot& b) {
  return a.indices == b.indices && a.vertices.size() == b.vertices.size() &&
         std::memcmp(a.vertices.data(), b.vertices.data(),
                     a.vertices.size() * sizeof(ImDrawVert)) == 0;
}

Snapshot backgroundAt(HeadlessGui& gui, double time, bool motion) {
  Snapshot shot;
  gui.bareFrame([&] {
    drawBackground(time, motion);
    const ImDrawList* list = ImGui::GetBackgroundDrawList();
    shot.vertices.assign(list->VtxBuffer.begin(), list->VtxBuffer.end());
    shot.indices.assign(list->IdxBuffer.begin(), list->IdxBuffer.end());
  });
  return shot;
}

TEST(Background, MeshIsOneGridOfVerticesAndTwoTrianglesPerCell) {
  HeadlessGui gui(1.0f, ImVec2(1120.0f, 760.0f));
  gui.bareFrame([] {
    ImDrawList* list = ImGui::GetBackgroundDrawList();
    const int vertices = list->VtxBuffer.Size;
    const int indices = list->IdxBuffer.Size;
    addBackgroundMesh(*list, 1120.0f, 760.0f);
    ASSERT_EQ(list->VtxBuffer.Size - vertices, 1519);
    ASSERT_EQ(list->IdxBuffer.Size - indices, 8640);

    const ImDrawVert* mesh = list->VtxBuffer.Data + vertices;
    EXPECT_FLOAT_EQ(mesh[0].pos.x, 0.0f);
    EXPECT_FLOAT_EQ(mesh[1518].pos.x, 1120.0f);
    EXPECT_FLOAT_EQ(mesh[1518].pos.y, 760.0f);
    EXPECT_FLOAT_EQ(mesh[49].pos.y, 760.0f / 30.0f);
    // A few cells of the colour grid, worked out by hand.
    EXPECT_EQ(mesh[30 * 49 + 24].col, IM_COL32(13, 34, 98, 255)) << "glow below the middle";
    EXPECT_EQ(mesh[15 * 49 + 24].col, IM_COL32(6, 14, 48, 255));
    EXPECT_EQ(mesh[0].col, IM_COL32(0, 1, 3, 255)) << "dark corner";
    EXPECT_EQ(mesh[20 * 49 + 30].col, IM_COL32(9, 22, 68, 255));

    // The first cell: (k, k + 1, k + 50) and (k, k + 50, k + 49), k being the cell's top left.
    const ImDrawIdx* index = list->IdxBuffer.Data + indices;
    const ImDrawIdx k = index[0];
    const ImDrawIdx first[6] = {k, ImDrawIdx(k + 1),  ImDrawIdx(k + 50),
                                k, ImDrawIdx(k + 50), ImDrawIdx(k + 49)};
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(index[i], first[i]) << i;
    EXPECT_EQ(index[8639], ImDrawIdx(k + 29 * 49 + 47 + 49)) << "the last cell's last corner";
  });
}

TEST(Background, StandsStillWithMotionOffAndMovesWithMotionOn) {
  HeadlessGui gui;
  EXPECT_TRUE(backgroundAt(gui, 1.0, false) == backgroundAt(gui, 7.25, false));
  EXPECT_FALSE(backgroundAt(gui, 1.0, true) == backgroundAt(gui, 7.25, true));
  EXPECT_TRUE(backgroundAt(gui, 0.0, true) == backgroundAt(gui, 0.0, false));
}

TEST(Background, ScanLinesEveryThreePixelsAndNoneForAZeroHeight) {
  HeadlessGui gui;
  const ImU32 scan = IM_COL32(255, 255, 255, 5);
  for (float height : {0.0f, 1.0f, 9.0f, 10.0f, 760.0f}) {
    gui.bareFrame([&] {
      const auto vertices = verticesAddedBy(ImGui::GetBackgroundDrawList(), [&] {
        paintBackground(*ImGui::GetBackgroundDrawList(), 1120.0f, height, 3.0, true);
      });
      int lines = 0;
      for (const ImDrawVert& v : vertices)
        lines += v.col == scan;
      const int expected = static_cast<int>(height + 2.0f) / 3;
      EXPECT_EQ(lines, expected * 4) << "height " << height;
    });
  }
}

TEST(Background, ColumnsStandOnTheBottomEdge) {
  for (float scale : {1.0f, 2.0f}) {
    HeadlessGui gui(scale, ImVec2(1000.0f * scale, 700.0f * scale));
    gui.bareFrame([&] {
      const float width = 1000.0f * scale;
      const float height = 700.0f * scale;
      const auto vertices = verticesAddedBy(ImGui::GetBackgroundDrawList(), [&] {
        paintBackground(*ImGui::GetBackgroundDrawList(), width, height, 0.0, false);
      });
      int caps = 0;
      for (const ImDrawVert& v : vertices) {
        EXPECT_LE(v.pos.y, height + 1.0f);
        if ((v.col & 0x00FFFFFF) == IM_COL32(201, 219, 255, 0)) {
          ++caps;
          EXPECT_GT(v.pos.y, height * 0.6f) << "columns rise at most about 40 % of the height";
        }
      }
      EXPECT_EQ(caps, 15 * 4);
    });
  }
}

}  // namespace
}  // namespace scf
