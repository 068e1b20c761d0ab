#include "ui/screens/stopped_screen.h"

#include "prepare/build_failure.h"
#include "screen_fixture.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

class StoppedScreen : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    app.screen = kScreenStopped;
    copiedAt = -10.0;
    app.progress.reset(0.0);
    app.progress.failedStage = "compile";
    app.progress.failureText = "cc1plus: out of memory";
    app.progress.outputLines = {"PROGRESS compile", "ERROR compile cc1plus: out of memory"};
  }
  void TearDown() override {
    copiedAt = -10.0;
    ScreenTest::TearDown();
  }
  std::vector<DrawnRun> drawScreen() {
    return draw([&] { drawStoppedScreen(app, kContentWidth); });
  }
};

TEST_F(StoppedScreen, NamesTheStageAdvisesAndOffersFourWaysOn) {
  struct Case {
    bool french;
    const char* heading;
    const char* at;
    const char* advice;
    const char* buttons[4];
  };
  const Case cases[] = {
      {false,
       "Preparing failed",
       "At: Compiling (the long part)",
       "Try again. If it stops at the same place, copy the details and send them to us on "
       "our Portlog page (the link at the bottom).",
       {"Try again", "Open log", "Copy details", "Change disc image"}},
      {true,
       "La préparation a échoué",
       "Étape : Compilation (la partie longue)",
       "Réessayez. Si cela s'arrête au même endroit, copiez les détails et envoyez-les nous "
       "sur notre page Portlog (le lien en bas).",
       {"Réessayer", "Ouvrir le journal", "Copier les détails", "Changer d'image disque"}},
  };
  for (const Case& c : cases) {
    uiFrench = c.french;
    const auto runs = drawScreen();
    SCOPED_TRACE(joined(runs));
    EXPECT_TRUE(exactRun(runs, c.heading, opaque(colBad)));
    const DrawnRun* at = exactRun(runs, c.at);
    ASSERT_TRUE(at);
    EXPECT_EQ(at->colour, opaque(colMuted));
    const DrawnRun* advice = exactRun(runs, c.advice);
    ASSERT_TRUE(advice);
    EXPECT_EQ(advice->colour, opaque(colBad));
    EXPECT_TRUE(exactRun(runs, "cc1plus: out of memory"));
    float left = 0.0f;
    float top = 0.0f;
    for (const char* name : c.buttons) {
      const DrawnRun* button = exactRun(runs, name);
      ASSERT_TRUE(button) << name;
      EXPECT_GT(button->min.x, left) << name << ": one row, in this order";
      if (top != 0.0f) EXPECT_NEAR(button->min.y, top, 4.0f) << name;
      left = button->max.x;
      top = button->min.y;
      EXPECT_GT(button->min.y, advice->max.y);
    }
  }
}

TEST_F(StoppedScreen, WithoutAStageTheLineReadsAtAlone) {
  app.progress.failedStage.clear();
  app.progress.failureText = "There is not enough free space on the drive.";
  const auto runs = drawScreen();
  EXPECT_TRUE(exactRun(runs, "At:")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "The drive is full. Free some space and try again."));
}

TEST_F(StoppedScreen, CopiedStaysTwoSecondsAfterTheLastPress) {
  const auto body = [&] { drawStoppedScreen(app, kContentWidth); };
  app.animTime = 10.0;
  const auto before = drawScreen();
  const DrawnRun* copy = exactRun(before, "Copy details");
  ASSERT_TRUE(copy);
  const DrawnRun press = *copy;
  clickRun(press, body);
  EXPECT_THAT(std::string(ImGui::GetClipboardText()), HasSubstr("Message: cc1plus: out of memory"));
  EXPECT_EQ(std::string(ImGui::GetClipboardText()),
            buildDetails(app.layout, app.progress, app.identity, app.settings.disc));

  struct Step {
    double time;
    bool press;
    const char* label;
  };
  const Step steps[] = {
      {10.0, false, "Copied"},
      {11.5, true, "Copied"},  // pressed again while it reads Copied
      {13.4, false, "Copied"},
      {13.6, false, "Copy details"},
  };
  for (const Step& step : steps) {
    app.animTime = step.time;
    if (step.press) clickRun(press, body);
    const auto runs = drawScreen();
    EXPECT_TRUE(exactRun(runs, step.label)) << step.time << "\n" << joined(runs);
  }
}

TEST_F(StoppedScreen, CopyKeepsItsWidthSoTheNextButtonStaysPut) {
  for (bool french : {false, true}) {
    uiFrench = french;
    const char* change = french ? "Changer d'image disque" : "Change disc image";
    copiedAt = -10.0;
    auto runs = drawScreen();
    const DrawnRun* before = exactRun(runs, change);
    ASSERT_TRUE(before) << joined(runs);
    const float x = before->min.x;
    copiedAt = app.animTime;
    runs = drawScreen();
    ASSERT_TRUE(exactRun(runs, french ? "Copié" : "Copied")) << joined(runs);
    const DrawnRun* after = exactRun(runs, change);
    ASSERT_TRUE(after);
    EXPECT_FLOAT_EQ(after->min.x, x) << "the button after Copy details moved";
  }
  uiFrench = false;
  copiedAt = -10.0;
}

TEST_F(StoppedScreen, OpenLogOpensTheStagesLogWhenThereIsOne) {
  app.layout.buildLogsDir = dir / "build/logs";
  EXPECT_EQ(stoppedLogTarget(app), app.layout.buildLogsDir) << "no log yet: the folder";
  testing::writeFile(dir / "build/logs/compile.log", "cc1plus: out of memory\n");
  EXPECT_EQ(stoppedLogTarget(app), testing::nativePath(dir / "build/logs/compile.log"));
  app.progress.failedStage.clear();
  EXPECT_EQ(stoppedLogTarget(app), app.layout.buildLogsDir) << "verify.log is not there";
  testing::writeFile(dir / "build/logs/verify.log", "");
  EXPECT_EQ(stoppedLogTarget(app), testing::nativePath(dir / "build/logs/verify.log"));
}

}  // namespace
}  // namespace scf
