// The disc check driven as the frame loop drives it, on the demo kit and each demo disc.

#include "prepare/disc_check.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/disc_actions.h"
#include "prepare/disc_choose.h"
#include "prepare_kit.h"
#include "release/launcher_settings.h"

namespace scf::prepare_test {
namespace {

class DiscCheckTest : public DemoKitTest {
 protected:
  // Polls as the frame loop does until the check has ended.
  void pollToEnd() {
    ASSERT_TRUE(waitFor(
        [&] {
          pollDiscCheck(*app);
          return !app->discCheck.discChecking;
        },
        60));
  }

  LauncherSettings savedSettings() const {
    LauncherSettings settings;
    settings.load(app->layout.launcherIni);
    return settings;
  }
};

TEST_F(DiscCheckTest, EachDemoDisc) {
  struct Case {
    const char* image;
    bool accepted;
    const char* verdict;
    const char* detailWord;
  };
  const Case cases[] = {
      {"scrapfury-europe.iso", false,
       "This is the European disc. Only the USA disc (SXUS-90210) is supported.", "European"},
      {"other-game.iso", false, "This disc image is another game.", "boots"},
      {"scrapfury-usa-damaged.iso", false,
       "This copy differs from the USA disc: modified or damaged. Make a fresh copy of your disc.",
       "SHA-1"},
      {"no-such-disc.iso", false, "This file is no longer there.", "does not exist"},
      {"not-a-disc.iso", false, "This file is not a PS2 disc image.", "not an ISO9660 disc image"},
      {"scrapfury-usa.bin", true, "", ""},
      {"scrapfury-usa.cue", true, "", ""},
      {"scrapfury-usa.iso", true, "", ""},
  };
  std::string accepted;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.image);
    app->screen = kScreenWelcome;
    app->build.statusText = "an old result";
    startDiscCheck(*app, disc(c.image));
    EXPECT_TRUE(app->discCheck.discChecking);
    EXPECT_EQ(app->discCheck.checkedImage, disc(c.image));
    pollToEnd();
    EXPECT_EQ(app->discCheck.discVerdict, c.verdict);
    if (c.accepted) {
      accepted = disc(c.image);
      EXPECT_EQ(app->discCheck.discDetail, "");
      EXPECT_EQ(app->screen, kScreenMain);
      EXPECT_EQ(app->build.statusText, "");
    } else {
      EXPECT_NE(app->discCheck.discDetail.find(c.detailWord), std::string::npos)
          << app->discCheck.discDetail;
      EXPECT_FALSE(app->discCheck.discDetail.empty());
      EXPECT_EQ(app->screen, kScreenWelcome);
    }
    // A refused image leaves the earlier accepted one in place, on disk too.
    EXPECT_EQ(app->settings.disc, accepted);
    EXPECT_EQ(savedSettings().disc, accepted);
  }
}

TEST_F(DiscCheckTest, ANewCheckEmptiesTheOldVerdictAndAChoiceDuringACheckIsIgnored) {
  startDiscCheck(*app, disc("other-game.iso"));
  pollToEnd();
  ASSERT_FALSE(app->discCheck.discVerdict.empty());
  app->discCheck.chooseError = noFileDialogText();

  startDiscCheck(*app, disc("scrapfury-europe.iso"));
  EXPECT_EQ(app->discCheck.discVerdict, "");
  EXPECT_EQ(app->discCheck.discDetail, "");
  EXPECT_EQ(app->discCheck.chooseError, "");
  // The running check decides, whatever is chosen meanwhile.
  startDiscCheck(*app, disc("scrapfury-usa.iso"));
  takeDialogAnswer(*app, {FileDialogAnswer::Kind::chosen, disc("scrapfury-usa.iso"), ""});
  EXPECT_EQ(app->discCheck.checkedImage, disc("scrapfury-europe.iso"));
  pollToEnd();
  EXPECT_NE(app->discCheck.discVerdict.find("European"), std::string::npos);
  EXPECT_EQ(app->settings.disc, "");
}

TEST_F(DiscCheckTest, DialogAnswers) {
  // No dialog on this desktop: one sentence, until a check starts.
  takeDialogAnswer(*app, {FileDialogAnswer::Kind::failed, "", "no portal, no zenity"});
  EXPECT_EQ(app->discCheck.chooseError,
            "No file dialog can be shown on this desktop. Drop the disc image onto this window "
            "instead.");
  EXPECT_FALSE(app->discCheck.discChecking);
  takeDialogAnswer(*app, {FileDialogAnswer::Kind::cancelled, "", ""});
  EXPECT_FALSE(app->discCheck.discChecking);
  EXPECT_FALSE(app->discCheck.chooseError.empty());

  // A file picked during a build is not checked: the build's disc cannot change under it.
  app->build.building = true;
  takeDialogAnswer(*app, {FileDialogAnswer::Kind::chosen, disc("scrapfury-usa.iso"), ""});
  EXPECT_FALSE(app->discCheck.discChecking);
  app->build.building = false;

  takeDialogAnswer(*app, {FileDialogAnswer::Kind::chosen, disc("scrapfury-usa.iso"), ""});
  EXPECT_TRUE(app->discCheck.discChecking);
  EXPECT_EQ(app->discCheck.chooseError, "");
  pollToEnd();
  EXPECT_EQ(app->settings.disc, disc("scrapfury-usa.iso"));
  EXPECT_EQ(savedSettings().disc, disc("scrapfury-usa.iso"));
}

TEST_F(DiscCheckTest, AskingAgainWhileTheDialogIsOpenSaysSo) {
  // A dialog still open (SDL's own, or another window's) keeps the slot: the second click is
  // answered with a sentence, which ends when the dialog answers.
  app->discCheck.chooseError = dialogAlreadyOpenText();
  takeDialogAnswer(*app, {FileDialogAnswer::Kind::cancelled, "", ""});
  EXPECT_EQ(app->discCheck.chooseError, "");
  uiFrench = true;
  EXPECT_NE(dialogAlreadyOpenText().find("déjà ouverte"), std::string::npos);
}

TEST_F(DiscCheckTest, DialogTextsInBothLanguages) {
  EXPECT_EQ(discDialogTitle(), "Select your Scrapfury disc image");
  auto filters = discImageFilters();
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].label, "Disc images (*.iso, *.bin, *.cue)");
  EXPECT_EQ(filters[0].patterns, "iso;bin;cue");
  EXPECT_EQ(filters[1].label, "All files (*.*)");
  EXPECT_EQ(filters[1].patterns, "*");
  uiFrench = true;
  EXPECT_EQ(discDialogTitle(), "Choisir l'image disque de Scrapfury");
  filters = discImageFilters();
  EXPECT_EQ(filters[0].label, "Images disque (*.iso, *.bin, *.cue)");
  EXPECT_EQ(filters[1].label, "Tous les fichiers (*.*)");
  EXPECT_EQ(noFileDialogText(),
            "Aucune fenêtre de choix de fichier ne peut s'ouvrir sur ce bureau. Déposez plutôt "
            "l'image disque sur cette fenêtre.");
}

// A desktop with neither a portal nor zenity: the dialog answers with an error, which reaches
// the screens as one sentence on the next poll.
TEST_F(DiscCheckTest, NoDialogOnThisDesktop) {
  env.set("SDL_FILE_DIALOG_DRIVER", "zenity");
  env.set("PATH", user.path());
  chooseDisc(*app);
  EXPECT_TRUE(waitFor(
      [&] {
        pollDiscCheck(*app);
        return !app->discCheck.chooseError.empty();
      },
      10));
  EXPECT_EQ(app->discCheck.chooseError, noFileDialogText());
  EXPECT_FALSE(app->discCheck.discChecking);
}

TEST_F(DiscCheckTest, AKitThatCannotStart) {
  app->layout.pythonExe = user.path() + "/no-python";
  uiFrench = true;
  startDiscCheck(*app, disc("scrapfury-usa.iso"));
  EXPECT_FALSE(app->discCheck.discChecking);
  EXPECT_EQ(app->discCheck.discVerdict, "Le disque n'a pas pu être vérifié.");
  EXPECT_FALSE(app->discCheck.discDetail.empty());
  pollDiscCheck(*app);
  EXPECT_EQ(app->discCheck.discVerdict, "Le disque n'a pas pu être vérifié.");
}

#ifndef _WIN32
// Processes whose command line names this text (a kit's script and the child it started).
int processesNaming(const std::string& text) {
  int found = 0;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    std::stringstream line;
    line << in.rdbuf();
    if (line.str().find(text) != std::string::npos) ++found;
  }
  return found;
}

// A kit whose check never answers: it starts a child of its own and both sleep. The waits for
// the child are generous: two Pythons starting on a busy machine can take many seconds, and the
// time limit is only enforced when the check is polled, so waiting here does not race it.
class SilentKitCheck : public DiscCheckTest {
 protected:
  void SetUp() override {
    DiscCheckTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    script = user.path() + "/silent kit/scf_build.py";
    testing::writeFile(script,
                       "import subprocess, sys, time\n"
                       "subprocess.Popen([sys.executable, '-c', 'import time; time.sleep(600)', "
                       "'silent-kit-child'])\n"
                       "time.sleep(600)\n");
    app->layout.buildScript = script;
    app->screen = kScreenMain;
    app->currentTab = kTabMaintenance;
  }
  void TearDown() override {
    DiscCheck::timeLimitSeconds = 120.0;
    DiscCheckTest::TearDown();
  }
  std::string script;
};

TEST_F(SilentKitCheck, CancelEndsTheWholeTreeWithoutAVerdict) {
  startDiscCheck(*app, disc("scrapfury-usa.iso"));
  ASSERT_TRUE(app->discCheck.discChecking);
  ASSERT_TRUE(waitFor([&] { return processesNaming("silent-kit-child") == 1; }, 120));
  app->discCheck.cancel();
  EXPECT_FALSE(app->discCheck.discChecking);
  EXPECT_EQ(app->discCheck.discVerdict, "");
  EXPECT_TRUE(waitFor([&] { return processesNaming("silent-kit-child") == 0; }, 30));
  EXPECT_TRUE(waitFor([&] { return processesNaming(script) == 0; }, 30));
  EXPECT_EQ(app->settings.disc, "");
}

TEST_F(SilentKitCheck, ACheckThatNeverAnswersIsEndedAtTheTimeLimitWithItsSentence) {
  DiscCheck::timeLimitSeconds = 1.0;
  startDiscCheck(*app, disc("scrapfury-usa.iso"));
  ASSERT_TRUE(waitFor([&] { return processesNaming("silent-kit-child") == 1; }, 120));
  pollToEnd();
  EXPECT_EQ(app->discCheck.discVerdict,
            "The disc check took too long and was stopped. Try again, or make a fresh copy of "
            "your disc.");
  EXPECT_EQ(app->discCheck.discDetail, disc("scrapfury-usa.iso"));
  EXPECT_EQ(app->settings.disc, "");
  EXPECT_EQ(app->currentTab, kTabMaintenance) << "the verdict stays where the user is";
  EXPECT_TRUE(waitFor([&] { return processesNaming("silent-kit-child") == 0; }, 30));
}
#endif

}  // namespace
}  // namespace scf::prepare_test
