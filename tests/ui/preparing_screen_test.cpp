#include "ui/screens/preparing_screen.h"

#include "screen_fixture.h"
#include "ui/screens/preparing_time.h"
#include "ui/widgets/stage_grid.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

TEST(PreparingTime, EstimateIsPaddedAndRoundedUpToWholeMinutesAndBelowAMinuteSaysSo) {
  struct Case {
    double secondsLeft;
    const char* english;
    const char* french;
  };
  const Case cases[] = {
      {0.0, "less than a minute left", "moins d'une minute restante"},
      {30.0, "less than a minute left", "moins d'une minute restante"},
      {59.9, "less than a minute left", "moins d'une minute restante"},
      {60.0, "about 2 min left", "environ 2 min restantes"},  // 78 s once padded
      {600.0, "about 13 min left", "environ 13 min restantes"},
      {3000.0, "about 65 min left", "environ 65 min restantes"},
  };
  for (const Case& c : cases) {
    uiFrench = false;
    EXPECT_EQ(estimateText(c.secondsLeft), c.english) << c.secondsLeft;
    uiFrench = true;
    EXPECT_EQ(estimateText(c.secondsLeft), c.french) << c.secondsLeft;
  }
  uiFrench = false;
}

TEST(PreparingTime, TimeLineAddsTheEstimateOnlyWhenKnown) {
  uiFrench = false;
  EXPECT_EQ(preparingTimeLine(75.0, -1.0), "Elapsed 1:15");
  EXPECT_EQ(preparingTimeLine(75.0, 0.0), "Elapsed 1:15  ·  less than a minute left");
  EXPECT_EQ(preparingTimeLine(3725.0, 600.0), "Elapsed 1:02:05  ·  about 13 min left");
  uiFrench = true;
  EXPECT_EQ(preparingTimeLine(75.0, 600.0), "Écoulé 1:15  ·  environ 13 min restantes");
  uiFrench = false;
}

TEST(StageGrid, RightTextByState) {
  struct Case {
    int state;
    int percent;
    double seconds;
    const char* text;
  };
  const Case cases[] = {
      {kStageRunning, 50, 0.0, "50 %"},
      {kStageRunning, 0, 0.0, ""},
      {kStageDone, 100, 0.6, ""},
      {kStageDone, 100, 75.0, "1:15"},
      {kStageSkipped, 0, 0.0, "done before"},
      {kStagePending, 0, 0.0, ""},
      {kStageFailed, 30, 12.0, ""},
  };
  uiFrench = false;
  for (const Case& c : cases) {
    Stage stage;
    stage.state = c.state;
    stage.percent = c.percent;
    stage.seconds = c.seconds;
    EXPECT_EQ(stageRightText(stage), c.text) << c.state << " " << c.percent << " " << c.seconds;
  }
  EXPECT_EQ(stageIconKind(kStagePending), StepIconKind::pending);
  EXPECT_EQ(stageIconKind(kStageRunning), StepIconKind::active);
  EXPECT_EQ(stageIconKind(kStageDone), StepIconKind::done);
  EXPECT_EQ(stageIconKind(kStageSkipped), StepIconKind::doneBefore);
  EXPECT_EQ(stageIconKind(kStageFailed), StepIconKind::failed);
}

class PreparingScreen : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    app.screen = kScreenPreparing;
    app.build.building = true;
    start = 1000.0;
    app.progress.reset(start);
  }
  void feed(std::initializer_list<const char*> lines, double at) {
    for (const char* line : lines)
      app.progress.feed(line, at);
  }
  std::vector<DrawnRun> drawAt(double now) {
    return draw([&] { drawPreparingScreenAt(app, kContentWidth, now); });
  }
  double start = 0;
};

TEST_F(PreparingScreen, MidBuildShowsFractionTimesAndStages) {
  feed({"PROGRESS verify", "DONE verify in 0.6", "SKIP extract", "PROGRESS configure"},
       start + 10.0);
  feed({"PERCENT configure 50"}, start + 10.0);
  for (float scale : {1.0f, 2.0f}) {
    useScale(scale);
    const float width = kContentWidth * scale;
    const auto runs = draw([&] { drawPreparingScreenAt(app, width, start + 100.0); });
    const std::string text = joined(runs);
    SCOPED_TRACE(text);
    EXPECT_THAT(text, HasSubstr("Preparing the game"));
    EXPECT_TRUE(exactRun(runs, "This happens once. You can keep using your PC meanwhile."));
    EXPECT_TRUE(exactRun(runs, "19 %")) << "31 of 158 weight units";
    // Measured: 0.6 s for verify's 1 unit and 90 s for half of configure's 60: 2.92 s a unit;
    // 127 units left make 371 s, 8.04 min once padded.
    EXPECT_TRUE(exactRun(runs, "Elapsed 1:40 · about 9 min left"));

    struct Row {
      const char* name;
      std::uint32_t colour;
      int column;
      int row;
    };
    const Row rows[] = {
        {"Checking the disc", colMuted, 0, 0},
        {"Reading the disc's files", colMuted, 0, 1},
        {"Configuring the build", colText, 0, 2},
        {"Preparing the recompiler", colLabel, 0, 3},
        {"Recompiling the game's code", colLabel, 0, 4},
        {"Converting textures and models", colLabel, 1, 0},
        {"Compiling (the long part)", colLabel, 1, 1},
        {"Assembling the game folder", colLabel, 1, 2},
    };
    const DrawnRun* first = exactRun(runs, rows[0].name);
    ASSERT_TRUE(first);
    const float columnWidth = (width - 20.0f * scale) / 2.0f;
    // Glyph boxes start a pixel or two right of the pen and below the line's top.
    const float slack = 3.0f * scale;
    for (const Row& r : rows) {
      const DrawnRun* run = exactRun(runs, r.name);
      ASSERT_TRUE(run) << r.name;
      EXPECT_EQ(run->colour, opaque(r.colour)) << r.name;
      EXPECT_NEAR(run->min.x - first->min.x,
                  static_cast<float>(r.column) * (columnWidth + 20.0f * scale), slack)
          << r.name;
      EXPECT_NEAR(run->min.y - first->min.y, static_cast<float>(r.row) * 34.0f * scale, slack)
          << r.name;
    }

    // Right texts end at their column's right edge; labels start 30 points into the column.
    const float columnLeft = first->min.x - 30.0f * scale;
    const DrawnRun* percent = exactRun(runs, "50 %");
    ASSERT_TRUE(percent);
    EXPECT_EQ(percent->colour, opaque(colAccent));
    EXPECT_NEAR(percent->max.x, columnLeft + columnWidth, slack);
    const DrawnRun* before = exactRun(runs, "done before");
    ASSERT_TRUE(before);
    EXPECT_EQ(before->colour, opaque(colLabel));
    EXPECT_NEAR(before->max.x, columnLeft + columnWidth, slack);
    EXPECT_FALSE(findRun(runs, "0:01")) << "verify took under a second: no time";

    const DrawnRun* stop = exactRun(runs, "Stop");
    ASSERT_TRUE(stop);
    EXPECT_EQ(stop->colour, opaque(colBad));
    // The button sits five rows and 10 points below the grid's top; its text line starts 13
    // points into it, the first label's line 6 points into its row (34 / 2 - 18 / 2 - 2).
    EXPECT_NEAR(stop->min.y - first->min.y, (180.0f + 13.0f - 6.0f) * scale, slack);
    const DrawnRun* safe = exactRun(runs, "Stopping is safe: it continues from there next time.");
    ASSERT_TRUE(safe);
    EXPECT_EQ(safe->colour, opaque(colLabel));
    EXPECT_GT(safe->min.x, stop->max.x);
  }
}

TEST_F(PreparingScreen, NoEstimateInTheFirstFiveSeconds) {
  feed({"PROGRESS verify"}, start);
  auto runs = drawAt(start + 3.0);
  EXPECT_TRUE(exactRun(runs, "Elapsed 0:03")) << joined(runs);
  EXPECT_FALSE(findRun(runs, "left"));
  runs = drawAt(start + 6.0);
  EXPECT_TRUE(findRun(runs, "Elapsed 0:06 · about")) << joined(runs);
}

TEST_F(PreparingScreen, FailedStageAndShortEstimate) {
  feed({"PROGRESS verify", "DONE verify in 65", "PROGRESS extract", "DONE extract in 2",
        "PROGRESS configure", "DONE configure in 30", "PROGRESS tools", "DONE tools in 5",
        "PROGRESS recompile", "DONE recompile in 1", "PROGRESS packs", "DONE packs in 16",
        "PROGRESS compile", "ERROR compile cc1plus: out of memory"},
       start + 10.0);
  const auto runs = drawAt(start + 200.0);
  SCOPED_TRACE(joined(runs));
  const DrawnRun* failed = exactRun(runs, "Compiling (the long part)");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->colour, opaque(colBad));
  EXPECT_TRUE(exactRun(runs, "1:05")) << "a done stage's time";
  // 56 units left at 119 s for 104 units: 1.14 s a unit, 64 s, 83 s once padded.
  EXPECT_TRUE(exactRun(runs, "Elapsed 3:20 · about 2 min left"));
}

TEST_F(PreparingScreen, StopTurnsIntoStoppingAndIsDisabled) {
  app.build.stopRequested = true;
  for (bool french : {false, true}) {
    uiFrench = french;
    const auto runs = drawAt(start + 1.0);
    SCOPED_TRACE(joined(runs));
    EXPECT_FALSE(exactRun(runs, french ? "Arrêter" : "Stop"));
    const DrawnRun* stopping = exactRun(runs, french ? "Arrêt…" : "Stopping…");
    ASSERT_TRUE(stopping);
    EXPECT_EQ(stopping->colour, withAlphaByte(colBad, 102)) << "a disabled button's ink";
  }
}

}  // namespace
}  // namespace scf
