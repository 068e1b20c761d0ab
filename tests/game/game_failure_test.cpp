// The Play tab's game failure card: when it shows and what it says, in both languages.

#include "game/game_failure.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "game/game_run.h"
#include "release/tr.h"

namespace scf {
namespace {

struct FailureCase {
  const char* name;
  const char* crashReport;
  const char* startError;
  bool closedUnexpectedly;
  int exitCode;
  bool shown;
  const char* englishTitle;
  const char* frenchTitle;
  const char* detail;
};

void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}

const char kStartTitle[] = "The game could not start.";
const char kStartTitleFr[] = "Le jeu n'a pas pu démarrer.";
const char kClosedTitle[] = "The game closed unexpectedly.";
const char kClosedTitleFr[] = "Le jeu s'est fermé de façon inattendue.";

const FailureCase kCases[] = {
    {"NormalEnd", "", "", false, 0, false, kClosedTitle, kClosedTitleFr, "exit code 0"},
    {"CrashReport", "/u/crashes/crash-1.txt", "", false, 134, true, kClosedTitle, kClosedTitleFr,
     "/u/crashes/crash-1.txt"},
    {"ReportWithCodeZero", "/u/crashes/a.txt", "", false, 0, true, kClosedTitle, kClosedTitleFr,
     "/u/crashes/a.txt"},
    {"ExitCodeOnly", "", "", true, 3, true, kClosedTitle, kClosedTitleFr, "exit code 3"},
    {"NegativeExitCode", "", "", true, -1073741819, true, kClosedTitle, kClosedTitleFr,
     "exit code -1073741819"},
    {"StartError", "", "Permission denied", false, 0, true, kStartTitle, kStartTitleFr,
     "Permission denied"},
};

class GameFailureCard : public ::testing::TestWithParam<FailureCase> {
 protected:
  void TearDown() override { uiFrench = false; }
};

TEST_P(GameFailureCard, TitleAndDetail) {
  const FailureCase& c = GetParam();
  GameRun game;
  game.crashReport = c.crashReport;
  game.startError = c.startError;
  game.closedUnexpectedly = c.closedUnexpectedly;
  game.gameExitCode = c.exitCode;
  EXPECT_EQ(gameFailureShown(game), c.shown);
  if (!c.shown) return;
  uiFrench = false;
  EXPECT_EQ(gameFailureTitle(game), c.englishTitle);
  EXPECT_EQ(gameFailureDetail(game), c.detail);
  uiFrench = true;
  EXPECT_EQ(gameFailureTitle(game), c.frenchTitle);
  EXPECT_EQ(gameFailureDetail(game), c.detail);
}

INSTANTIATE_TEST_SUITE_P(Cases, GameFailureCard, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
