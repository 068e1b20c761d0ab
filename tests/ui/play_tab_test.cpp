#include "ui/screens/play_tab.h"

#include <cstdint>

#include "screen_fixture.h"
#include "ui/screens/play_disc_section.h"

namespace scf {
namespace {

using ::testing::HasSubstr;

constexpr std::uint64_t kGiB = std::uint64_t{1} << 30;

class PlayTab : public ScreenTest {
 protected:
  std::vector<DrawnRun> drawTab() {
    return draw([&] { drawPlayTab(app, kContentWidth); });
  }
  std::vector<DrawnRun> drawDisc(std::uint64_t freeBytes) {
    return draw([&] { drawDiscSection(app, kContentWidth, freeBytes); });
  }
};

TEST_F(PlayTab, TopSectionFollowsTheBuildAndThePendingFlag) {
  struct Case {
    bool built;
    bool pending;
    const char* heading;  // empty for the ready section
    const char* button;
  };
  const Case cases[] = {
      {false, false, "Your disc is ready", "Prepare the game"},
      {false, true, "Preparing was stopped", "Continue preparing"},
      {true, true, "Preparing was stopped", "Continue preparing"},
      {true, false, "", "Play"},
  };
  for (const Case& c : cases) {
    if (c.built) buildGame();
    app.settings.buildPending = c.pending;
    const auto runs = drawTab();
    const std::string text = joined(runs);
    SCOPED_TRACE(text);
    EXPECT_TRUE(exactRun(runs, c.button));
    const bool ready = c.heading[0] == '\0';
    EXPECT_EQ(exactRun(runs, "Play") != nullptr, ready);
    EXPECT_EQ(exactRun(runs, "Ready to play") != nullptr, ready);
    EXPECT_EQ(findRun(runs, "USA disc (SXUS-90210) · Scrapfury (USA).iso") != nullptr, !ready);
    if (ready) {
      EXPECT_TRUE(exactRun(runs, "Scrapfury (USA).iso"));
      EXPECT_TRUE(exactRun(runs, "F2"));
      EXPECT_TRUE(
          exactRun(runs, "In the game, F2 opens the settings: controls, video and cheats."));
    } else {
      EXPECT_THAT(text, HasSubstr(c.heading));
      EXPECT_THAT(text, HasSubstr(c.pending ? "It continues where it left off."
                                            : "It takes a few minutes and about 10 GB"));
    }
  }
}

TEST_F(PlayTab, ReadySectionInFrench) {
  uiFrench = true;
  buildGame();
  const auto runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "Jouer")) << joined(runs);
  EXPECT_TRUE(exactRun(runs, "Prêt à jouer"));
}

TEST_F(PlayTab, LowSpaceWarningBelowFiveGibibytes) {
  struct Case {
    std::uint64_t freeBytes;
    const char* english;  // empty: no warning
    const char* french;
  };
  const Case cases[] = {
      {kGiB * 9 / 2, "Only 4.5 GB free on this drive.", "Seulement 4.5 Go libres sur ce disque."},
      {1, "Only 0.0 GB free on this drive.", "Seulement 0.0 Go libres sur ce disque."},
      {kGiB * 5 - 1, "Only 5.0 GB free on this drive.", "Seulement 5.0 Go libres sur ce disque."},
      {0, "", ""},
      {kGiB * 5, "", ""},
      {kGiB * 400, "", ""},
  };
  for (const Case& c : cases) {
    for (bool french : {false, true}) {
      uiFrench = french;
      const std::string expected = french ? c.french : c.english;
      EXPECT_EQ(lowSpaceWarning(c.freeBytes), expected) << c.freeBytes;
      const auto runs = drawDisc(c.freeBytes);
      const DrawnRun* warning = findRun(runs, french ? "Go libres" : "GB free");
      if (expected.empty()) {
        EXPECT_FALSE(warning) << c.freeBytes << "\n" << joined(runs);
      } else {
        ASSERT_TRUE(warning) << c.freeBytes;
        EXPECT_EQ(warning->text, expected);
        EXPECT_EQ(warning->colour, opaque(colWarn));
      }
    }
  }
}

TEST_F(PlayTab, DeletedDiscImageAsksForANewOne) {
  std::filesystem::remove(app.settings.disc);
  for (bool pending : {false, true}) {
    app.settings.buildPending = pending;
    const auto runs = drawDisc(100 * kGiB);
    SCOPED_TRACE(joined(runs));
    const DrawnRun* notice =
        exactRun(runs, "The disc image is no longer where it was. Select it again.");
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->colour, opaque(colWarn));
    const DrawnRun* path = exactRun(runs, app.settings.disc);
    ASSERT_TRUE(path) << "the full path of the missing image";
    EXPECT_EQ(path->colour, opaque(colMuted));
    EXPECT_TRUE(exactRun(runs, "Select your disc image…"));
    EXPECT_FALSE(exactRun(runs, "Prepare the game"));
    EXPECT_FALSE(exactRun(runs, "Continue preparing"));
  }
}

TEST_F(PlayTab, DiscVerdictBelowTheButtonAndHiddenWhileTheNextCheckRuns) {
  app.discCheck.discVerdict = "This file is not a PS2 disc image.";
  app.discCheck.discDetail = "no volume descriptor";
  auto runs = drawDisc(100 * kGiB);
  const DrawnRun* button = exactRun(runs, "Prepare the game");
  const DrawnRun* verdict = exactRun(runs, "This file is not a PS2 disc image.");
  ASSERT_TRUE(button && verdict) << joined(runs);
  EXPECT_EQ(verdict->colour, opaque(colBad));
  EXPECT_TRUE(exactRun(runs, "no volume descriptor"));
  EXPECT_LT(button->max.y, verdict->min.y);

  // The running check is shown by the footer on every screen; an older verdict is not its own.
  app.discCheck.discChecking = true;
  runs = drawDisc(100 * kGiB);
  app.discCheck.discChecking = false;
  EXPECT_FALSE(exactRun(runs, "This file is not a PS2 disc image.")) << joined(runs);
}

TEST_F(PlayTab, StatusLinesFollowTheLanguageAndAStopIsSaidOnce) {
  buildGame();
  app.build.status = BuildRun::Status::ready;
  app.build.statusSeconds = 32;
  app.build.statusText = "The game is ready. Prepared in 0:32.";
  uiFrench = true;
  auto runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "Le jeu est prêt. Préparé en 0:32.")) << joined(runs);
  EXPECT_FALSE(findRun(runs, "The game is ready")) << "made in English, drawn in French";
  uiFrench = false;

  app.settings.buildPending = true;
  app.build.status = BuildRun::Status::stopped;
  runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "Stopped. Preparing continues from there next time.")) << joined(runs);
  EXPECT_FALSE(exactRun(runs, "It continues where it left off.")) << "said once, not twice";
  // After a restart there is no status line: the section says it.
  app.build.status = BuildRun::Status::none;
  app.build.statusText.clear();
  runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "It continues where it left off.")) << joined(runs);
}

TEST_F(PlayTab, StatusLineInItsOwnColour) {
  buildGame();
  app.build.statusText = "The game is ready. Prepared in 15:00.";
  app.build.statusColour = colGood;
  auto runs = drawTab();
  const DrawnRun* status = exactRun(runs, "The game is ready. Prepared in 15:00.");
  ASSERT_TRUE(status) << joined(runs);
  EXPECT_EQ(status->colour, opaque(colGood));

  app.settings.buildPending = true;
  app.build.statusText = "Stopped. Preparing continues from there next time.";
  app.build.statusColour = colWarn;
  runs = drawTab();
  status = exactRun(runs, "Stopped. Preparing continues from there next time.");
  ASSERT_TRUE(status) << joined(runs);
  EXPECT_EQ(status->colour, opaque(colWarn));
  const DrawnRun* button = exactRun(runs, "Continue preparing");
  ASSERT_TRUE(button);
  EXPECT_GT(status->min.y, button->max.y);
}

TEST_F(PlayTab, RebuildCardWhenTheInstalledCodeIsNewer) {
  struct Case {
    bool built;
    bool pending;
    bool building;
    const char* releaseCommit;
    const char* version;
    const char* title;  // empty: no card
  };
  const Case cases[] = {
      {true, false, false, "aaaa", "0.9.0", "Version 0.9.0 is installed."},
      {true, false, false, "aaaa", "", "New code is installed."},
      {true, false, true, "aaaa", "0.9.0", ""},
      {true, false, false, "bbbb", "0.9.0", ""},
      {true, false, false, "", "0.9.0", ""},
      {false, false, false, "aaaa", "0.9.0", ""},
      {true, true, false, "aaaa", "0.9.0", ""},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(app.layout.gameDir);
    if (c.built) buildGame();
    app.settings.buildPending = c.pending;
    app.build.building = c.building;
    app.identity.releaseCommit = c.releaseCommit;
    app.identity.builtFromCommit = "bbbb";
    app.identity.releaseVersion = c.version;
    const auto runs = drawTab();
    SCOPED_TRACE(joined(runs));
    if (c.title[0] == '\0') {
      EXPECT_FALSE(findRun(runs, "installed."));
      EXPECT_FALSE(exactRun(runs, "Rebuild now"));
      continue;
    }
    const DrawnRun* title = exactRun(runs, c.title);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->colour, opaque(colWarn));
    EXPECT_TRUE(findRun(runs, "Rebuild the game to play it: only what changed is built again."));
    EXPECT_TRUE(exactRun(runs, "Rebuild now"));
    EXPECT_FALSE(exactRun(runs, "What's new")) << "no notes, no button";
  }
}

TEST_F(PlayTab, RebuildCardOffersTheNotesAndWaitsForTheGame) {
  buildGame();
  app.identity.releaseCommit = "aaaa";
  app.identity.builtFromCommit = "bbbb";
  app.identity.releaseVersion = "0.9.0";
  app.identity.changelogText = "- new\n";
  uiFrench = true;
  auto runs = drawTab();
  EXPECT_TRUE(exactRun(runs, "La version 0.9.0 est installée.")) << joined(runs);
  const DrawnRun* notes = exactRun(runs, "Nouveautés");
  ASSERT_TRUE(notes);
  clickRun(*notes, [&] { drawPlayTab(app, kContentWidth); });
  EXPECT_TRUE(app.showWhatsNew);

  // While the game runs, Play and Rebuild now are greyed: their ink keeps 102 of 255 alpha.
  uiFrench = false;
  app.game.gameRunning = true;
  runs = drawTab();
  for (const char* name : {"Play", "Rebuild now"}) {
    const DrawnRun* button = exactRun(runs, name);
    ASSERT_TRUE(button) << name;
    EXPECT_EQ(button->colour, IM_COL32(5, 11, 38, 102)) << name;
  }
  app.game.gameRunning = false;
  runs = drawTab();
  EXPECT_EQ(exactRun(runs, "Play")->colour, IM_COL32(5, 11, 38, 255));
}

TEST_F(PlayTab, GameFailureCard) {
  struct Case {
    const char* name;
    std::string crashReport;
    bool closedUnexpectedly;
    int exitCode;
    std::string startError;
    const char* title;  // empty: no card
    std::string detail;
    bool crashButton;
  };
  const std::string report = dir / "user/crashes/new.txt";
  const Case cases[] = {
      {"exit code", "", true, 3, "", "The game closed unexpectedly.", "exit code 3", false},
      {"negative code", "", true, -1073741819, "", "The game closed unexpectedly.",
       "exit code -1073741819", false},
      {"crash report", report, false, 0, "", "The game closed unexpectedly.", report, true},
      {"start error", "", false, 0, "Permission denied", "The game could not start.",
       "Permission denied", false},
      {"normal end", "", false, 0, "", "", "", false},
  };
  buildGame();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    app.game.crashReport = c.crashReport;
    app.game.closedUnexpectedly = c.closedUnexpectedly;
    app.game.gameExitCode = c.exitCode;
    app.game.startError = c.startError;
    const auto runs = drawTab();
    SCOPED_TRACE(joined(runs));
    if (c.title[0] == '\0') {
      EXPECT_FALSE(findRun(runs, "The game"));
      EXPECT_FALSE(exactRun(runs, "Open log"));
      continue;
    }
    const DrawnRun* title = exactRun(runs, c.title);
    ASSERT_TRUE(title);
    EXPECT_EQ(title->colour, opaque(colBad));
    EXPECT_TRUE(exactRun(runs, c.detail));
    EXPECT_TRUE(exactRun(runs, "Open log"));
    EXPECT_EQ(exactRun(runs, "Open crash report") != nullptr, c.crashButton);
    EXPECT_TRUE(exactRun(runs, "Play")) << "the card comes below the ready section";
  }
}

}  // namespace
}  // namespace scf
