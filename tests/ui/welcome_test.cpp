#include "ui/screens/welcome.h"

#include "screen_fixture.h"

namespace scf {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class Welcome : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    app.screen = kScreenWelcome;
  }
  std::vector<DrawnRun> drawWelcomeBody() {
    return draw([&] { drawWelcome(app, kContentWidth); });
  }
};

TEST_F(Welcome, OffersTheDiscSelectionInBothLanguages) {
  struct Case {
    bool french;
    const char* heading;
    const char* button;
    const char* checking;
  };
  const Case cases[] = {
      {false, "Welcome", "Select your disc image…", "Checking the disc…"},
      {true, "Bienvenue", "Choisir votre image disque…", "Vérification du disque…"},
  };
  for (const Case& c : cases) {
    uiFrench = c.french;
    const auto runs = drawWelcomeBody();
    const std::string text = joined(runs);
    EXPECT_THAT(text, HasSubstr(c.heading));
    EXPECT_TRUE(exactRun(runs, c.button)) << text;
    EXPECT_THAT(text, Not(HasSubstr(c.checking)));
    EXPECT_THAT(text, HasSubstr("SXUS-90210"));
  }
}

TEST_F(Welcome, WhileCheckingShowsTheImageNameInsteadOfTheButton) {
  app.discCheck.discChecking = true;
  app.discCheck.checkedImage = dir / "my discs/Scrapfury (USA).iso";
  const auto runs = drawWelcomeBody();
  const std::string text = joined(runs);
  const DrawnRun* checking = exactRun(runs, "Checking the disc…");
  ASSERT_TRUE(checking) << text;
  EXPECT_EQ(checking->colour, opaque(colText));
  const DrawnRun* name = exactRun(runs, "Scrapfury (USA).iso");
  ASSERT_TRUE(name) << "the file name alone, not its folder: " << text;
  EXPECT_EQ(name->colour, opaque(colLabel));
  EXPECT_GT(name->min.y, checking->min.y);
  EXPECT_THAT(text, Not(HasSubstr("Select your disc image")));
}

TEST_F(Welcome, RefusedImageShowsTheVerdictAndTheKitsReason) {
  app.discCheck.discVerdict = "This disc image is another game.";
  app.discCheck.discDetail = "boots SLUS-20001";
  const auto runs = drawWelcomeBody();
  const DrawnRun* verdict = exactRun(runs, "This disc image is another game.");
  ASSERT_TRUE(verdict) << joined(runs);
  EXPECT_EQ(verdict->colour, opaque(colBad));
  const DrawnRun* detail = exactRun(runs, "boots SLUS-20001");
  ASSERT_TRUE(detail) << joined(runs);
  EXPECT_EQ(detail->colour, opaque(colMuted));
  const DrawnRun* button = exactRun(runs, "Select your disc image…");
  ASSERT_TRUE(button) << "a new image can be chosen at once";
  EXPECT_LT(button->max.y, verdict->min.y);
}

TEST_F(Welcome, AMissingFileDialogIsExplainedUnderTheButton) {
  const std::string sentence = "No file dialog can be shown on this desktop.";
  EXPECT_FALSE(findRun(drawWelcomeBody(), "No file dialog"));
  app.discCheck.chooseError = sentence;
  const auto runs = drawWelcomeBody();
  const DrawnRun* error = findRun(runs, "No file dialog");
  ASSERT_TRUE(error) << joined(runs);
  EXPECT_EQ(error->colour, opaque(colWarn));
  const DrawnRun* button = exactRun(runs, "Select your disc image…");
  ASSERT_TRUE(button);
  EXPECT_GT(error->min.y, button->max.y);
}

}  // namespace
}  // namespace scf
