#include "prepare/build_progress.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "release/tr.h"

namespace scf {
namespace {

constexpr double kStart = 1000;

BuildProgress fed(std::initializer_list<const char*> lines, double now = kStart) {
  BuildProgress progress;
  progress.reset(kStart);
  for (const char* line : lines)
    progress.feed(line, now);
  return progress;
}

const Stage& stage(const BuildProgress& progress, const char* key) {
  for (const Stage& s : progress.stages) {
    if (s.key == key) return s;
  }
  static const Stage none;
  ADD_FAILURE() << "no stage " << key;
  return none;
}

TEST(BuildProgress, ResetLaysOutTheEightStagesWithTheirWeights) {
  BuildProgress progress = fed({"PROGRESS verify", "ERROR verify broken", "RESULT"});
  progress.reset(42);
  const std::vector<std::pair<std::string, double>> expected = {
      {"verify", 1},    {"extract", 2}, {"configure", 60}, {"tools", 7},
      {"recompile", 2}, {"packs", 32},  {"compile", 55},   {"stage", 1}};
  ASSERT_EQ(progress.stages.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(progress.stages[i].key, expected[i].first);
    EXPECT_EQ(progress.stages[i].weight, expected[i].second);
    EXPECT_EQ(progress.stages[i].state, kStagePending);
  }
  EXPECT_EQ(progress.runStart, 42);
  EXPECT_TRUE(progress.failedStage.empty());
  EXPECT_TRUE(progress.failureText.empty());
  EXPECT_TRUE(progress.outputLines.empty());
  EXPECT_FALSE(progress.finished);
}

TEST(BuildProgress, KeepsOnlyTheLastSixtyLinesWhateverTheKitPrints) {
  BuildProgress progress;
  progress.reset(0);
  for (int i = 0; i < 1000000; ++i)
    progress.feed("INFO line " + std::to_string(i), 1.0);
  EXPECT_EQ(progress.outputLines.size(), 60u);
  EXPECT_EQ(progress.outputLineCount, 1000000u);
  EXPECT_EQ(progress.outputLines.front(), "INFO line 999940");
  EXPECT_EQ(progress.outputLines.back(), "INFO line 999999");
  progress.reset(2);
  EXPECT_TRUE(progress.outputLines.empty());
  EXPECT_EQ(progress.outputLineCount, 0u);
}

TEST(BuildProgress, AResumeKeepsTheFinishedStagesUntilTheKitReportsAgain) {
  BuildProgress progress;
  progress.reset(0);
  progress.stages[0].state = kStageDone;
  progress.stages[0].seconds = 12;
  progress.stages[1].state = kStageSkipped;
  progress.stages[2].state = kStageRunning;
  progress.stages[2].percent = 40;
  progress.stages[3].state = kStageFailed;
  progress.failureText = "it broke";
  progress.outputLines = {"ERROR x"};
  const double before = progress.fraction();
  progress.resetForResume(100);
  EXPECT_EQ(progress.stages[0].state, kStageDone);
  EXPECT_EQ(progress.stages[0].seconds, 12);
  EXPECT_EQ(progress.stages[1].state, kStageSkipped);
  EXPECT_EQ(progress.stages[2].state, kStagePending);
  EXPECT_EQ(progress.stages[3].state, kStagePending);
  EXPECT_GT(progress.fraction(), 0.0);
  EXPECT_LE(progress.fraction(), before);
  EXPECT_EQ(progress.failureText, "");
  EXPECT_TRUE(progress.outputLines.empty());
  EXPECT_EQ(progress.runStart, 100);
}

TEST(BuildProgress, DoneSkipAndPercentMoveTheTable) {
  const BuildProgress progress = fed({"PROGRESS verify", "DONE verify in 0.6", "SKIP extract",
                                      "PROGRESS configure", "PERCENT configure 50"});
  EXPECT_EQ(stage(progress, "verify").state, kStageDone);
  EXPECT_DOUBLE_EQ(stage(progress, "verify").seconds, 0.6);
  EXPECT_EQ(stage(progress, "verify").percent, 100);
  EXPECT_EQ(stage(progress, "extract").state, kStageSkipped);
  EXPECT_EQ(stage(progress, "configure").state, kStageRunning);
  EXPECT_EQ(stage(progress, "configure").percent, 50);
  EXPECT_EQ(progress.runningStage(), 2);
  EXPECT_DOUBLE_EQ(progress.fraction(), 31.0 / 158.0);
  // Every line is counted; the PERCENT line only moves the bar and is not kept.
  EXPECT_EQ(progress.outputLineCount, 5u);
  EXPECT_EQ(progress.outputLines.size(), 4u);
}

TEST(BuildProgress, LinesTable) {
  struct Case {
    const char* name;
    std::vector<const char*> lines;
    const char* key;  // the stage looked at
    int state;
    int percent;
    double seconds;
    const char* failedStage;
    const char* failureText;
    bool finished;
  };
  const Case cases[] = {
      {"done without a word before the time",
       {"DONE compile 41.2"},
       "compile",
       kStageDone,
       100,
       0,
       "",
       "",
       false},
      {"done with a word before the time",
       {"DONE compile in 41.2"},
       "compile",
       kStageDone,
       100,
       41.2,
       "",
       "",
       false},
      {"done with nothing after the key",
       {"DONE compile"},
       "compile",
       kStageDone,
       100,
       0,
       "",
       "",
       false},
      {"time read by C rules, not the locale's",
       {"DONE compile in 41.2s"},
       "compile",
       kStageDone,
       100,
       41.2,
       "",
       "",
       false},
      {"undefined time counts as none",
       {"DONE compile in nan"},
       "compile",
       kStageDone,
       100,
       0,
       "",
       "",
       false},
      {"percent above 100",
       {"PROGRESS compile", "PERCENT compile 250"},
       "compile",
       kStageRunning,
       100,
       0,
       "",
       "",
       false},
      {"percent below 0",
       {"PROGRESS compile", "PERCENT compile -3"},
       "compile",
       kStageRunning,
       0,
       0,
       "",
       "",
       false},
      {"percent beyond any integer",
       {"PERCENT compile 99999999999999999999999"},
       "compile",
       kStagePending,
       100,
       0,
       "",
       "",
       false},
      {"percent with an unknown key",
       {"PROGRESS compile", "PERCENT compiler 50"},
       "compile",
       kStageRunning,
       0,
       0,
       "",
       "",
       false},
      {"words separated by several blanks",
       {"  PROGRESS \t compile", "PERCENT  compile  7"},
       "compile",
       kStageRunning,
       7,
       0,
       "",
       "",
       false},
      {"verbs are case-sensitive",
       {"progress compile"},
       "compile",
       kStagePending,
       0,
       0,
       "",
       "",
       false},
      {"error in a known stage",
       {"PROGRESS packs", "ERROR packs No space left on device"},
       "packs",
       kStageFailed,
       0,
       0,
       "packs",
       "No space left on device",
       false},
      {"error with an unknown key",
       {"ERROR linker  two spaces kept"},
       "verify",
       kStagePending,
       0,
       0,
       "linker",
       " two spaces kept",
       false},
      {"result finishes",
       {"RESULT the game is ready"},
       "verify",
       kStagePending,
       0,
       0,
       "",
       "",
       true},
      {"unknown verb", {"INFO compile 50"}, "compile", kStagePending, 0, 0, "", "", false},
      {"a new stage ends the running ones before it",
       {"PROGRESS verify", "PROGRESS configure", "PERCENT configure 40", "PROGRESS packs"},
       "configure",
       kStageDone,
       40,
       0,
       "",
       "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildProgress progress;
    progress.reset(kStart);
    for (const char* line : c.lines)
      progress.feed(line, kStart + 1);
    const Stage& s = stage(progress, c.key);
    EXPECT_EQ(s.state, c.state);
    EXPECT_EQ(s.percent, c.percent);
    EXPECT_DOUBLE_EQ(s.seconds, c.seconds);
    EXPECT_EQ(progress.failedStage, c.failedStage);
    EXPECT_EQ(progress.failureText, c.failureText);
    EXPECT_EQ(progress.finished, c.finished);
    for (const Stage& other : progress.stages) {
      if (other.state == kStageFailed) EXPECT_EQ(other.key, c.failedStage);
    }
  }
}

TEST(BuildProgress, ProgressMarksEveryEarlierRunningStageDone) {
  BuildProgress progress;
  progress.reset(kStart);
  progress.feed("PROGRESS configure", kStart);
  progress.stages[0].state = kStageRunning;  // verify and configure both running
  progress.feed("PROGRESS packs", kStart + 3);
  EXPECT_EQ(progress.stages[0].state, kStageDone);
  EXPECT_EQ(progress.stages[1].state, kStagePending);
  EXPECT_EQ(progress.stages[2].state, kStageDone);
  EXPECT_EQ(progress.stages[5].state, kStageRunning);
  EXPECT_EQ(progress.stages[5].started, kStart + 3);
  EXPECT_EQ(progress.runningStage(), 5);
}

TEST(BuildProgress, FractionTable) {
  struct Case {
    const char* name;
    std::vector<const char*> lines;
    double fraction;
  };
  const Case cases[] = {
      {"nothing yet", {}, 0},
      {"finished whatever the stages say", {"PROGRESS verify", "RESULT"}, 1},
      {"all skipped but one",
       {"SKIP verify", "SKIP extract", "SKIP configure", "SKIP tools", "SKIP recompile",
        "SKIP packs", "SKIP compile", "PROGRESS stage", "PERCENT stage 50"},
       0.5},
      {"every stage skipped",
       {"SKIP verify", "SKIP extract", "SKIP configure", "SKIP tools", "SKIP recompile",
        "SKIP packs", "SKIP compile", "SKIP stage"},
       0},
      {"a failed stage counts as not done", {"DONE verify in 1", "ERROR extract bad"}, 1.0 / 160.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildProgress progress;
    progress.reset(kStart);
    for (const char* line : c.lines)
      progress.feed(line, kStart);
    EXPECT_DOUBLE_EQ(progress.fraction(), c.fraction);
  }
  BuildProgress empty;
  EXPECT_EQ(empty.fraction(), 0);
}

TEST(BuildProgress, SecondsLeftTable) {
  struct Case {
    const char* name;
    std::vector<const char*> lines;  // fed at kStart + 1
    double now;
    double secondsLeft;
  };
  const Case cases[] = {
      {"no estimate during the first 5 s", {"DONE verify in 10"}, kStart + 4.9, -1},
      {"from 5 s on, a second per unit while little is measured", {}, kStart + 5, 160},
      // Measured: verify (1) and 30 % of configure (18); left: 141 units.
      {"19 measured units: still a second per unit",
       {"DONE verify in 30", "PROGRESS configure", "PERCENT configure 30"},
       kStart + 11,
       141},
      // Measured: extract (2) and 18 units of configure, 40 s in all; left: 140 units.
      {"20 measured units: the measured rate",
       {"DONE extract in 30", "PROGRESS configure", "PERCENT configure 30"},
       kStart + 11,
       140 * 2.0},
      {"a whole stage measured",
       {"DONE configure in 40", "PROGRESS packs"},
       kStart + 10,
       (1 + 2 + 7 + 2 + 32 + 55 + 1) * 2.0 / 3.0},
      {"a fast machine: at least 0.25 s per unit",
       {"DONE configure in 1"},
       kStart + 10,
       100 * 0.25},
      {"a slow machine: at most 6 s per unit", {"DONE configure in 6000"}, kStart + 10, 100 * 6.0},
      {"a running stage above 4 % is measured",
       {"PROGRESS configure", "PERCENT configure 50"},
       kStart + 61,
       // 30 units measured in 60 s: 2 s per unit over 130 units left.
       130 * 2.0},
      {"a running stage at 4 % or less is not measured",
       {"PROGRESS configure", "PERCENT configure 4"},
       kStart + 61,
       160 - 60 * 0.04},
      {"a failed stage still counts as left", {"ERROR verify bad"}, kStart + 6, 160},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BuildProgress progress;
    progress.reset(kStart);
    for (const char* line : c.lines)
      progress.feed(line, kStart + 1);
    EXPECT_NEAR(progress.secondsLeft(c.now), c.secondsLeft, 1e-9);
  }
  BuildProgress empty;
  empty.runStart = kStart;
  EXPECT_EQ(empty.secondsLeft(kStart + 1), -1);
  EXPECT_EQ(empty.secondsLeft(kStart + 5), 0);
}

TEST(FormatDuration, Table) {
  const std::pair<double, const char*> cases[] = {
      {0, "0:00"},
      {59.4, "0:59"},
      {59.5, "1:00"},
      {75, "1:15"},
      {3599.4, "59:59"},
      {3599.5, "1:00:00"},
      {3600, "1:00:00"},
      {3725, "1:02:05"},
      {-5, "0:00"},
      {-0.4, "0:00"},
      {36000 * 10, "100:00:00"},
      {1e300, "27777777:46:40"},
  };
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(formatDuration(seconds), text) << seconds;
  }
}

TEST(StageLabel, BothLanguagesAndUnknownKeys) {
  const bool saved = uiFrench;
  uiFrench = false;
  EXPECT_EQ(stageLabel("compile"), "Compiling (the long part)");
  EXPECT_EQ(stageLabel("verify"), "Checking the disc");
  EXPECT_EQ(stageLabel("linker"), "linker");
  EXPECT_EQ(stageLabel(""), "");
  uiFrench = true;
  EXPECT_EQ(stageLabel("compile"), "Compilation (la partie longue)");
  EXPECT_EQ(stageLabel("stage"), "Assemblage du dossier du jeu");
  EXPECT_EQ(stageLabel("linker"), "linker");
  uiFrench = saved;
}

}  // namespace
}  // namespace scf
