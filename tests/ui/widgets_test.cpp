#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/window.h"
#include "headless_gui.h"
#include "imgui_internal.h"
#include "ui/fonts.h"
#include "ui/palette.h"
#include "ui/widgets/action_row.h"
#include "ui/widgets/button.h"
#include "ui/widgets/notice_box.h"
#include "ui/widgets/pill.h"
#include "ui/widgets/progress_bar.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

class Widgets : public testing::TestWithParam<float> {
 protected:
  void TearDown() override {
    if (gui) EXPECT_TRUE(gui->errors().empty()) << gui->errors().front();
  }
  float s() const { return GetParam(); }
  std::unique_ptr<HeadlessGui> gui = std::make_unique<HeadlessGui>(GetParam());
};

TEST_P(Widgets, AutomaticButtonSizeIsTheTextPlusItsMargins) {
  struct Case {
    ButtonStyle style;
    const char* label;
    const char* shown;
    float font;
    ImVec2 extra;  // points
  };
  const Case cases[] = {
      {ButtonStyle::primary, "Select your disc image…", "Select your disc image…", 21.0f, {44, 22}},
      {ButtonStyle::secondary, "What's new##x", "What's new", 20.0f, {44, 22}},
      {ButtonStyle::danger, "Stop", "Stop", 20.0f, {44, 22}},
      {ButtonStyle::link, "Portlog ›##site", "Portlog ›", 16.0f, {4, 4}},
  };
  gui->frame([&] {
    for (const Case& c : cases) {
      const ImVec2 text = measureSpaced(c.shown, c.font, 0.0f);
      button(c.label, ImVec2(0.0f, 0.0f), c.style, true, c.font);
      const ImVec2 size = ImGui::GetItemRectSize();
      EXPECT_FLOAT_EQ(size.x, text.x + c.extra.x * s()) << c.label;
      EXPECT_FLOAT_EQ(size.y, text.y + c.extra.y * s()) << c.label;
    }
    button("Fixed", ImVec2(300.0f, 0.0f), ButtonStyle::primary, true, 24.0f);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().x, 300.0f);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().y, measureSpaced("Fixed", 24.0f, 0.0f).y + 22 * s());
  });
}

TEST_P(Widgets, DisabledButtonsNeverReportAClick) {
  for (ButtonStyle style : {ButtonStyle::primary, ButtonStyle::secondary, ButtonStyle::link}) {
    for (bool enabled : {true, false}) {
      int clicks = 0;
      gui->click(ImVec2(50.0f * s(), 20.0f * s()), [&] {
        ImGui::SetCursorPos(ImVec2(0.0f, 0.0f));
        if (button("Play##play", ImVec2(200.0f * s(), 48.0f * s()), style, enabled, 20.0f)) {
          ++clicks;
        }
      });
      EXPECT_EQ(clicks, enabled ? 1 : 0) << static_cast<int>(style) << " enabled " << enabled;
    }
  }
}

TEST_P(Widgets, DisabledPrimaryButtonIsGreyedSeeThroughAndLosesItsGlow) {
  gui->sharpEdges();
  for (bool enabled : {true, false}) {
    gui->frame([&] {
      ImGui::SetCursorPos(ImVec2(100.0f, 100.0f));
      const auto vertices = verticesAddedBy(ImGui::GetWindowDrawList(), [&] {
        button("Play##play", ImVec2(300.0f, 84.0f), ButtonStyle::primary, enabled, 34.0f);
      });
      const ImVec2 min = ImGui::GetItemRectMin();
      const ImVec2 max = ImGui::GetItemRectMax();
      int outside = 0;
      int opaqueBody = 0;
      int fadedText = 0;
      for (const ImDrawVert& v : vertices) {
        // The border's stroke may stray a fraction of a pixel; the nearest glow layer is 2.5 points
        // out.
        if (v.pos.x < min.x - 1.0f || v.pos.y < min.y - 1.0f || v.pos.x > max.x + 1.0f ||
            v.pos.y > max.y + 1.0f) {
          ++outside;
        }
        if ((v.col >> IM_COL32_A_SHIFT) == 255 && (v.col & 0xFFFFFF) != IM_COL32(5, 11, 38, 0)) {
          ++opaqueBody;
        }
        if (v.col == IM_COL32(5, 11, 38, 102)) ++fadedText;
      }
      EXPECT_EQ(outside > 0, enabled) << "the glow reaches outside the button only when enabled";
      // A button that cannot be pressed must not look like one that can.
      EXPECT_EQ(opaqueBody > 0, enabled) << "the gradient body is opaque only when enabled";
      EXPECT_EQ(fadedText > 0, !enabled);
      ImVec2 bmin, bmax;
      EXPECT_TRUE(
          boundsOfColour(vertices, withAlpha(0xDBE7FF, enabled ? 0.55f : 0.22f), bmin, bmax))
          << "border alpha";
    });
  }
}

TEST_P(Widgets, PillIsItsTextPlusThirtyByFourteenPoints) {
  gui->frame([&] {
    for (bool selected : {false, true}) {
      pill("Réglages##tab1", selected, 17.0f);
      const ImVec2 text = measureSpaced("Réglages", 17.0f, 0.0f);
      EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().x, text.x + 30.0f * s());
      EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().y, text.y + 14.0f * s());
    }
  });
  int clicks = 0;
  gui->click(ImVec2(10.0f * s(), 10.0f * s()), [&] {
    ImGui::SetCursorPos(ImVec2(0.0f, 0.0f));
    if (pill("Off##p", false, 18.0f, false)) ++clicks;
  });
  EXPECT_EQ(clicks, 0);
}

// The fill is the only opaque shape of a bar, and the shimmer the only white one.
struct BarShapes {
  int vertices = 0;
  bool hasFill = false;
  ImVec2 fillMin, fillMax;
  bool hasShimmer = false;
  bool onlyTrack = true;
};

BarShapes drawBar(HeadlessGui& gui, float fraction, ImVec2 size, double time) {
  BarShapes shapes;
  gui.frame([&] {
    ImGui::SetCursorPos(ImVec2(40.0f, 40.0f));
    const auto vertices =
        verticesAddedBy(ImGui::GetWindowDrawList(), [&] { progressBar(fraction, size, time); });
    shapes.vertices = static_cast<int>(vertices.size());
    for (const ImDrawVert& v : vertices) {
      const ImU32 rgb = v.col & 0x00FFFFFF;
      if ((v.col >> IM_COL32_A_SHIFT) == 255) {
        shapes.fillMin = shapes.hasFill ? ImMin(shapes.fillMin, v.pos) : v.pos;
        shapes.fillMax = shapes.hasFill ? ImMax(shapes.fillMax, v.pos) : v.pos;
        shapes.hasFill = true;
      }
      if (rgb == IM_COL32(255, 255, 255, 0)) shapes.hasShimmer = true;
      if (v.col != withAlphaByte(colNavy, 90) && v.col != withAlphaByte(0x8CAAFF, 46)) {
        shapes.onlyTrack = false;
      }
    }
  });
  return shapes;
}

TEST_P(Widgets, ProgressBarFillAndShimmer) {
  gui->sharpEdges();
  const ImVec2 size(300.0f, 18.0f);

  const BarShapes empty = drawBar(*gui, 0.0f, size, 1.0);
  EXPECT_TRUE(empty.onlyTrack);
  EXPECT_FALSE(empty.hasFill);
  EXPECT_TRUE(drawBar(*gui, -0.5f, size, 1.0).onlyTrack);

  const BarShapes dot = drawBar(*gui, 0.01f, size, 1.0);
  ASSERT_TRUE(dot.hasFill);
  EXPECT_NEAR(dot.fillMax.x - dot.fillMin.x, 18.0f, 0.01f) << "a round dot as wide as the bar";
  EXPECT_NEAR(dot.fillMax.y - dot.fillMin.y, 18.0f, 0.01f);

  const BarShapes half = drawBar(*gui, 0.5f, size, 0.3);
  EXPECT_NEAR(half.fillMax.x - half.fillMin.x, 150.0f, 0.01f);
  EXPECT_TRUE(half.hasShimmer);

  const BarShapes full = drawBar(*gui, 1.0f, size, 0.3);
  EXPECT_NEAR(full.fillMax.x - full.fillMin.x, 300.0f, 0.01f);
  EXPECT_FALSE(full.hasShimmer) << "a finished bar does not shimmer";
  const BarShapes over = drawBar(*gui, 7.0f, size, 0.3);
  EXPECT_NEAR(over.fillMax.x - over.fillMin.x, 300.0f, 0.01f);
  EXPECT_FALSE(over.hasShimmer);

  const BarShapes stubby = drawBar(*gui, 0.01f, ImVec2(10.0f, 18.0f), 0.3);
  EXPECT_LE(stubby.fillMax.x - stubby.fillMin.x, 10.01f) << "the dot stays inside its track";
}

TEST_P(Widgets, ProgressBarColourDoesNotDependOnTheFraction) {
  gui->sharpEdges();
  // The colour at the dot's left edge is the same whatever part is filled.
  auto leftColour = [&](float fraction) {
    ImU32 colour = 0;
    gui->frame([&] {
      ImGui::SetCursorPos(ImVec2(40.0f, 40.0f));
      const auto vertices = verticesAddedBy(
          ImGui::GetWindowDrawList(), [&] { progressBar(fraction, ImVec2(300.0f, 18.0f), 0.0); });
      float leftmost = 1e9f;
      for (const ImDrawVert& v : vertices) {
        if ((v.col >> IM_COL32_A_SHIFT) == 255 && v.pos.x < leftmost) {
          leftmost = v.pos.x;
          colour = v.col;
        }
      }
    });
    return colour;
  };
  EXPECT_EQ(leftColour(0.2f), leftColour(0.9f));
}

TEST_P(Widgets, NoticeBoxReservesItsTitleAndDetail) {
  const float width = 500.0f * s();
  const char* title = "The disc image is no longer where it was. Select it again, please, now.";
  const char* detail = "/home/player/Discs/Scrapfury (USA).iso";
  gui->frame([&] {
    const float wrap = width - 36.0f * s();
    const float titleHeight = uiFont->CalcTextSizeA(19.0f * s(), FLT_MAX, wrap, title).y;
    const float detailHeight = monoFont->CalcTextSizeA(15.0f * s(), FLT_MAX, wrap, detail).y;
    EXPECT_GT(titleHeight, 19.0f * s() * 1.5f) << "the title wraps at this width";

    noticeBox(title, "", colBad, width);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().x, width);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().y, 24.0f * s() + titleHeight);
    noticeBox(title, detail, colWarn, width);
    EXPECT_FLOAT_EQ(ImGui::GetItemRectSize().y,
                    24.0f * s() + titleHeight + 6.0f * s() + detailHeight);
  });
}

TEST_P(Widgets, ActionRowIsAsTallAsItsButtonOrItsDescription) {
  gui->frame([&] {
    const float spacing = ImGui::GetStyle().ItemSpacing.y;
    const float top = ImGui::GetCursorPosY();
    actionRow("Rebuild", "Short.", true, 270.0f * s(), 900.0f * s());
    const float shortRow = ImGui::GetCursorPosY() - top;
    EXPECT_FLOAT_EQ(shortRow, 42.0f * s() + spacing) << "a one-line description";

    std::string longText;
    for (int i = 0; i < 12; ++i)
      longText += "After an update: builds the game again. ";
    const float next = ImGui::GetCursorPosY();
    actionRow("Rebuild##2", longText.c_str(), true, 270.0f * s(), 900.0f * s());
    EXPECT_GT(ImGui::GetCursorPosY() - next, shortRow + 17.0f * s())
        << "a wrapped description makes the row taller";
  });
}

INSTANTIATE_TEST_SUITE_P(Scales, Widgets, testing::Values(1.0f, 1.5f));

}  // namespace
}  // namespace scf
