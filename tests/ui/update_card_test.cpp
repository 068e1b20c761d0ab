#include "ui/screens/update_card.h"

#include "screen_fixture.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

class UpdateCard : public ScreenTest {
 protected:
  std::vector<DrawnRun> drawCard(bool rebuildCardShown) {
    return draw([&] { drawUpdateCard(app, kContentWidth, rebuildCardShown); });
  }
};

// A failed install is shown whatever the versions say: with no update on offer (the check found
// none, or the release already reads as the version it tried), and under the rebuild card.
TEST_F(UpdateCard, AFailedInstallIsAlwaysShown) {
  app.identity.releaseVersion = "0.9.0";
  EXPECT_TRUE(drawCard(false).empty()) << "nothing to show";
  app.updateInstall.installState = kInstallFailed;
  app.updateInstall.installVersion = "0.9.0";
  app.updateInstall.installTag = "v0.9.0";
  app.updateInstall.installError =
      "The update was not installed: it is not signed by the game's makers (no signature was "
      "published with it).";
  for (const bool rebuildCardShown : {false, true}) {
    const auto runs = drawCard(rebuildCardShown);
    const std::string text = joined(runs);
    EXPECT_THAT(text, HasSubstr("Version 0.9.0 is available."));
    EXPECT_THAT(text, HasSubstr("not signed by the game's makers"));
    EXPECT_TRUE(exactRun(runs, "Try again")) << text;
  }
  // A start that could not finish an interrupted update names none.
  app.updateInstall.installVersion.clear();
  app.updateInstall.installError = "The interrupted update could not be finished: it broke.";
  const std::string text = joined(drawCard(false));
  EXPECT_THAT(text, HasSubstr("The last update did not finish."));
  EXPECT_THAT(text, HasSubstr("could not be finished"));
}

}  // namespace
}  // namespace scf
