#include "drawn_text.h"

#include <gtest/gtest.h>

#include "headless_gui.h"
#include "imgui_internal.h"
#include "ui/palette.h"
#include "ui/widgets/text.h"

namespace scf {
namespace {

// The reader the screen tests rely on: words, spaces, lines, colours and places come back as
// they were drawn, at any scale.
TEST(DrawnText, ReadsBackLinesWordsAndColours) {
  for (float scale : {1.0f, 2.0f}) {
    HeadlessGui gui(scale, ImVec2(800.0f * scale, 600.0f * scale));
    const auto body = [] {
      label("Ready to play", 22.0f, colGood);
      label("Élan  ·  déjà fait", 15.0f, colMuted);
      ImGui::GetWindowDrawList()->AddText(ImVec2(300.0f, 300.0f), withAlpha(colBad, 1.0f),
                                          "one\ntwo");
    };
    gui.frame(body);
    gui.frame(body);
    const std::vector<DrawnRun> runs = drawnRuns(ImGui::FindWindowByName("##test")->DrawList);
    ASSERT_EQ(runs.size(), 4u) << scale;
    EXPECT_EQ(runs[0].text, "Ready to play");
    EXPECT_EQ(runs[0].colour, withAlpha(colGood, 1.0f));
    EXPECT_EQ(runs[1].text, "Élan · déjà fait") << "runs of spaces read as one";
    EXPECT_EQ(runs[1].colour, withAlpha(colMuted, 1.0f));
    EXPECT_GT(runs[1].min.y, runs[0].max.y - 1.0f);
    EXPECT_EQ(runs[2].text, "one");
    EXPECT_EQ(runs[3].text, "two");
    EXPECT_GE(runs[2].min.x, 300.0f);
    EXPECT_LT(runs[2].min.x, 304.0f);
    EXPECT_EQ(drawnText(ImGui::FindWindowByName("##test")->DrawList),
              "Ready to play\nÉlan · déjà fait\none\ntwo\n");
    EXPECT_EQ(findRun(runs, "déjà"), &runs[1]);
    EXPECT_EQ(findRun(runs, "three"), nullptr);
  }
}

}  // namespace
}  // namespace scf
