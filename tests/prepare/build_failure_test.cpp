#include "prepare/build_failure.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/app.h"
#include "platform/build_info.h"
#include "release/tr.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::TempFolder;
using testing::writeFile;

constexpr const char* kDriveFull = "The drive is full. Free some space and try again.";
constexpr const char* kDiscMoved = "The disc image is no longer where it was. Select it again.";
constexpr const char* kTryAgain =
    "Try again. If it stops at the same place, copy the details and send them to us on "
    "our Portlog page (the link at the bottom).";

class LanguageGuard {
 public:
  explicit LanguageGuard(bool french) : saved_(uiFrench) { uiFrench = french; }
  ~LanguageGuard() { uiFrench = saved_; }

 private:
  bool saved_;
};

TEST(FailureAdvice, Table) {
  struct Case {
    const char* stage;
    const char* text;
    const char* advice;
  };
  const Case cases[] = {
      {"verify", "the file /d.iso does not exist", kDiscMoved},
      {"compile", "the file /d.iso does not exist", kTryAgain},
      {"verify", "x does not exist; No space left on device", kDriveFull},
      {"verify", "No space left on device", kDriveFull},
      {"compile", "No space left on device", kDriveFull},
      {"", "not enough free space on the drive", kDriveFull},
      {"packs", "not enough free space on the drive", kDriveFull},
      {"verify", "not enough free space", kDriveFull},
      {"", "x does not exist", kTryAgain},
      {"verify ", "x does not exist", kTryAgain},
      {"verify", "no space left (lower case)", kTryAgain},
      {"verify", "The build could not start: No such file or directory", kTryAgain},
      {"stage", "", kTryAgain},
  };
  LanguageGuard english(false);
  for (const Case& c : cases) {
    EXPECT_EQ(failureAdvice(c.stage, c.text), c.advice) << c.stage << " / " << c.text;
  }
}

TEST(FailureAdvice, French) {
  LanguageGuard french(true);
  EXPECT_EQ(failureAdvice("x", "No space"),
            "Le disque est plein. Libérez de la place et réessayez.");
  EXPECT_EQ(failureAdvice("verify", "does not exist"),
            "L'image disque n'est plus à son emplacement. Choisissez-la à nouveau.");
  EXPECT_EQ(failureAdvice("x", "y"),
            "Réessayez. Si cela s'arrête au même endroit, copiez les détails et envoyez-les nous "
            "sur notre page Portlog (le lien en bas).");
}

class BuildDetailsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app.layout.releaseDir = temp / "release";
    app.layout.buildLogsDir = temp / "release/build/logs";
    app.settings.disc = "/discs/my disc.iso";
    app.identity.releaseVersion = "0.8.0";
    app.identity.releaseCommit = "1111111111111111111111111111111111111111";
    app.identity.builtFromCommit = "2222222222222222222222222222222222222222";
    app.progress.reset(0);
  }

  // Empty fields are left out.
  std::string header(const std::string& stage, const std::string& message) const {
    return std::string("SCF Launcher ") + kLauncherVersion + " (" + kSourceCommit + ")\n" +
           "Source: 0.8.0 1111111111111111111111111111111111111111, game built from: "
           "2222222222222222222222222222222222222222\n" +
           (stage.empty() ? "" : "Step: " + stage + "\n") +
           (message.empty() ? "" : "Message: " + message + "\n") +
           "Disc: /discs/my disc.iso\nRelease folder: " + (temp / "release") +
           "\n\n--- scf_build output ---\n";
  }

  TempFolder temp;
  App app;
};

TEST_F(BuildDetailsTest, LastSixtyOutputLinesAndTheLogsLastSixty) {
  for (int i = 1; i <= 75; ++i)
    app.progress.outputLines.push_back("out " + std::to_string(i));
  app.progress.failedStage = "compile";
  app.progress.failureText = "it broke";
  std::string log;
  for (int i = 1; i <= 100; ++i)
    log += "log " + std::to_string(i) + "\n";
  writeFile(temp / "release/build/logs/compile.log", log);
  // Another stage's log must not be the one reported.
  writeFile(temp / "release/build/logs/verify.log", "verify log\n");

  std::string expected = header("compile", "it broke");
  for (int i = 16; i <= 75; ++i)
    expected += "out " + std::to_string(i) + "\n";
  expected += "\n--- compile.log (last lines) ---\n";
  for (int i = 41; i <= 100; ++i)
    expected += "log " + std::to_string(i) + "\n";
  EXPECT_EQ(buildDetails(app.layout, app.progress, app.identity, app.settings.disc), expected);
  EXPECT_EQ(stepLogPath(app.layout, app.progress),
            testing::nativePath(temp / "release/build/logs/compile.log"));
}

TEST_F(BuildDetailsTest, OnlyTheLogsLastSixtyFourKibibytesAreRead) {
  app.progress.failedStage = "compile";
  // 100 lines of 2 KiB each: the last 64 KiB hold 31 whole lines and the end of another.
  const std::string filler(2047, 'x');
  std::string log;
  for (int i = 1; i <= 100; ++i)
    log += std::to_string(1000 + i) + filler.substr(4) + "\n";
  writeFile(temp / "release/build/logs/compile.log", log);
  const std::string details =
      buildDetails(app.layout, app.progress, app.identity, app.settings.disc);
  const std::string marker = "--- compile.log (last lines) ---\n";
  const std::size_t start = details.find(marker);
  ASSERT_NE(start, std::string::npos);
  const std::string tail = details.substr(start + marker.size());
  EXPECT_EQ(std::count(tail.begin(), tail.end(), '\n'), 32 - 1);
  EXPECT_EQ(tail.substr(0, 4), "1070") << "the first whole line of the window";
  EXPECT_EQ(tail.substr(tail.size() - 2048, 4), "1100");
}

TEST_F(BuildDetailsTest, ProgressLinesAndUnknownFieldsAreLeftOut) {
  app.identity.builtFromCommit.clear();
  app.progress.failedStage = "compile";
  app.progress.failureText = "it broke";
  for (int i = 0; i < 100; ++i) {
    app.progress.feed("PERCENT compile " + std::to_string(i), 1.0);
    if (i % 10 == 0) app.progress.feed("INFO step " + std::to_string(i), 1.0);
  }
  const std::string details =
      buildDetails(app.layout, app.progress, app.identity, app.settings.disc);
  EXPECT_EQ(details.find("PERCENT"), std::string::npos) << details;
  EXPECT_NE(details.find("INFO step 0\n"), std::string::npos) << details;
  EXPECT_NE(details.find("INFO step 90\n"), std::string::npos) << details;
  EXPECT_EQ(details.find("game built from"), std::string::npos) << details;
  EXPECT_NE(details.find("Source: 0.8.0 1111111111111111111111111111111111111111\n"),
            std::string::npos)
      << details;
}

TEST_F(BuildDetailsTest, FewLinesAndNoLogFile) {
  app.progress.outputLines = {"one", "", "three"};
  app.progress.failedStage = "packs";
  app.progress.failureText = "gone";
  EXPECT_EQ(buildDetails(app.layout, app.progress, app.identity, app.settings.disc),
            header("packs", "gone") + "one\n\nthree\n");
}

TEST_F(BuildDetailsTest, NoStageLooksForTheVerifyLog) {
  app.progress.failureText = "The build stopped unexpectedly (exit code 1).";
  writeFile(temp / "release/build/logs/verify.log", "a\nb");
  EXPECT_EQ(stepLogPath(app.layout, app.progress),
            testing::nativePath(temp / "release/build/logs/verify.log"));
  EXPECT_EQ(buildDetails(app.layout, app.progress, app.identity, app.settings.disc),
            header("", "The build stopped unexpectedly (exit code 1).") +
                "\n--- verify.log (last lines) ---\na\nb\n");
}

TEST_F(BuildDetailsTest, ALogThatIsNoFileIsLeftOut) {
  app.progress.failedStage = "tools";
  std::filesystem::create_directories(temp / "release/build/logs/tools.log");
  EXPECT_EQ(buildDetails(app.layout, app.progress, app.identity, app.settings.disc),
            header("tools", ""));
}

}  // namespace
}  // namespace scf
