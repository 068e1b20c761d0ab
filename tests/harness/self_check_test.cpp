#include "harness/self_check.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#endif

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "platform/build_info.h"
#include "platform/clock.h"
#include "release/changelog.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::EnvGuard;
using testing::exists;
using testing::readFile;
using testing::TempFolder;
using testing::writeFile;

// Small stand-ins for the build kit's disc check. Each first leaves a mark that it ran.
const std::string kRan = "import os, sys, time\nopen('ran', 'w').write(str(os.getpid()))\n";
const std::string kRejects =
    kRan +
    "print('INFO checking the image')\n"
    "print('ERROR verify the image is not an ISO9660 disc image: it is too small to hold one')\n"
    "sys.exit(1)\n";
const std::string kAccepts = kRan + "print('OK Scrapfury, USA disc (SXUS-90210)')\nsys.exit(0)\n";
const std::string kOtherGame =
    kRan + "print('ERROR verify the image boots SLUS_123.45')\nsys.exit(1)\n";
const std::string kSilent = kRan + "sys.exit(3)\n";
const std::string kNeverAnswers = kRan + "print('INFO thinking', flush=True)\ntime.sleep(60)\n";

const std::string kRejection =
    "disc check: This file is not a PS2 disc image. / the image is not an ISO9660 disc image: it "
    "is too small to hold one";

// The stand-in kits are Python scripts run by the build machine's Python.
[[maybe_unused]] const char* const kNoKitHere =
    "the stand-in kits need Python for Windows; the kit road under wine is covered by the "
    "self-test with the stand-in interpreter";

struct CheckCase {
  const char* name;
  std::string kit;                 // the kit's script
  bool manifest;                   // kit/kit_manifest.json present
  const char* version;             // release.ini's version, or null for no release.ini
  bool changelog;                  // CHANGELOG.md present
  std::vector<std::string> lines;  // after the "release" line; "{whats_new}" stands for the line
  bool passed;
  bool kitRuns;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
  *os << c.name;
}

class SelfCheckTest : public ::testing::Test {
 protected:
  SelfCheckTest() : env_({"ZA2D_USER_DIR", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    env_.set("ZA2D_USER_DIR", temp / "user");
    env_.set("LC_ALL", "C");
    release = temp / "release ü";
    checkFile = temp / "not a disc.txt";
    writeFile(checkFile, "plain text\n");
  }

  void makeRelease(const std::string& kit, bool manifest, const char* version, bool changelog) {
    if (!kit.empty()) writeFile(release + "/source/tools/scf_build.py", kit);
    if (manifest) writeFile(release + "/kit/kit_manifest.json", "{}\n");
    if (version)
      writeFile(release + "/source/release.ini", std::string("# made by a test\nversion = ") +
                                                     version +
                                                     "\ncommit = " + std::string(40, 'a') + "\n");
    if (changelog)
      writeFile(
          release + "/CHANGELOG.md",
          "# Changelog\n\n## [0.8.0] - 2026-12-10\n\n- One thing.\n\n## [0.7.9]\n\n- Older.\n");
  }

  std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> list;
    size_t start = 0;
    while (start < text.size()) {
      const size_t end = text.find('\n', start);
      list.push_back(text.substr(start, end - start));
      start = end == std::string::npos ? text.size() : end + 1;
    }
    return list;
  }

  std::string whatsNew(const std::string& version) {
    return "whats_new " +
           std::to_string(changelogSection(release + "/CHANGELOG.md", version).size()) +
           " bytes for " + version;
  }

  TempFolder temp;
  EnvGuard env_;
  std::string release;
  std::string checkFile;
};

// The launcher names the release's files with the system's separator ("source\\release.ini" on
// Windows); the table spells them with "/".
std::string withNativeSeparators(std::string line) {
  if (line.rfind("FAIL missing ", 0) == 0 || line.rfind("FAIL source/", 0) == 0) {
    for (char& ch : line)
      if (ch == '/') ch = static_cast<char>(std::filesystem::path::preferred_separator);
  }
  return line;
}

class SelfCheckCaseTest : public SelfCheckTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(SelfCheckCaseTest, WritesItsLinesAndDecides) {
  const CheckCase& c = GetParam();
#ifdef _WIN32
  if (c.kitRuns) GTEST_SKIP() << kNoKitHere;
#endif
  makeRelease(c.kit, c.manifest, c.version, c.changelog);
  std::string text = "before\n";
  const bool passed = runSelfCheck(release, checkFile, text);
  std::vector<std::string> expected = {"before", "release " + release};
  for (const std::string& line : c.lines) {
    if (line == "{whats_new 0.8.0}") {
      expected.push_back(whatsNew("0.8.0"));
    } else if (line == "{whats_new 0.7.9}") {
      expected.push_back(whatsNew("0.7.9"));
    } else {
      expected.push_back(withNativeSeparators(line));
    }
  }
  EXPECT_EQ(lines(text), expected);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(passed, c.passed);
  // The kit runs in the source folder, and only when nothing is missing.
  EXPECT_EQ(exists(release + "/source/ran"), c.kitRuns);
}

INSTANTIATE_TEST_SUITE_P(
    Releases, SelfCheckCaseTest,
    ::testing::Values(
        CheckCase{"Complete",
                  kRejects,
                  true,
                  "0.8.0",
                  true,
                  {"source version 0.8.0", "{whats_new 0.8.0}", kRejection, "self-check OK"},
                  true,
                  true},
        CheckCase{
            "KitFolderMissing",
            kRejects,
            false,
            "0.8.0",
            true,
            {"source version 0.8.0", "FAIL missing kit/", "{whats_new 0.8.0}", "self-check FAILED"},
            false,
            false},
        CheckCase{
            "BuildScriptMissingAndVersionDiffers",
            "",
            true,
            "0.7.9",
            true,
            {"source version 0.7.9", "FAIL missing source/tools/scf_build.py", "{whats_new 0.7.9}",
             "FAIL source/release.ini says 0.7.9, the launcher 0.8.0", "self-check FAILED"},
            false,
            false},
        CheckCase{"ReleaseIniDisagrees",
                  kRejects,
                  true,
                  "0.7.9",
                  true,
                  {"source version 0.7.9", "{whats_new 0.7.9}",
                   "FAIL source/release.ini says 0.7.9, the launcher 0.8.0", kRejection,
                   "self-check FAILED"},
                  false,
                  true},
        CheckCase{
            "NoReleaseIni",
            kRejects,
            true,
            nullptr,
            true,
            {"source version (no release.ini)", "{whats_new 0.8.0}",
             "FAIL source/release.ini says , the launcher 0.8.0", kRejection, "self-check FAILED"},
            false,
            true},
        CheckCase{"NoChangeLog",
                  kRejects,
                  true,
                  "0.8.0",
                  false,
                  {"source version 0.8.0", "whats_new 0 bytes for 0.8.0",
                   "FAIL CHANGELOG.md has no section for 0.8.0", kRejection, "self-check FAILED"},
                  false,
                  true},
        CheckCase{"KitAcceptsTheFile",
                  kAccepts,
                  true,
                  "0.8.0",
                  true,
                  {"source version 0.8.0", "{whats_new 0.8.0}", "disc check: accepted / ",
                   "FAIL expected scf_build's \"not an ISO9660 disc image\"", "self-check FAILED"},
                  false,
                  true},
        CheckCase{"KitGivesAnotherReason",
                  kOtherGame,
                  true,
                  "0.8.0",
                  true,
                  {"source version 0.8.0", "{whats_new 0.8.0}",
                   "disc check: This disc image is another game. / the image boots SLUS_123.45",
                   "FAIL expected scf_build's \"not an ISO9660 disc image\"", "self-check FAILED"},
                  false,
                  true},
        CheckCase{"KitSaysNothing",
                  kSilent,
                  true,
                  "0.8.0",
                  true,
                  {"source version 0.8.0", "{whats_new 0.8.0}",
                   "disc check: This file is not a PS2 disc image. / ",
                   "FAIL expected scf_build's \"not an ISO9660 disc image\"", "self-check FAILED"},
                  false,
                  true}),
    [](const ::testing::TestParamInfo<CheckCase>& info) { return std::string(info.param.name); });

bool processGone(int pid) {
#ifdef _WIN32
  static_cast<void>(pid);
  return true;
#else
  return ::kill(pid, 0) != 0;
#endif
}

// The product waits 120 s; the bound is a parameter so that this case waits less. The bound
// counts from the kit's start, Python's own start-up included: on a busy machine a short one
// may end the kit before it has written its mark, so the bound grows until the kit has shown
// that it ran before it was ended.
TEST_F(SelfCheckTest, AKitThatNeverAnswersIsEndedAtTheBound) {
#ifdef _WIN32
  GTEST_SKIP() << kNoKitHere;
#endif
  makeRelease(kNeverAnswers, true, "0.8.0", true);
  const std::string mark = release + "/source/ran";
  for (int bound = 1; bound <= 32; bound *= 2) {
    SCOPED_TRACE("bound " + std::to_string(bound) + " s");
    std::filesystem::remove(mark);
    std::string text;
    const double start = nowSeconds();
    EXPECT_FALSE(runSelfCheck(release, checkFile, text, bound));
    EXPECT_GE(nowSeconds() - start, bound);
    const auto list = lines(text);
    ASSERT_GE(list.size(), 2u);
    EXPECT_EQ(list[list.size() - 2],
              "FAIL the disc check did not finish in " + std::to_string(bound) + " s");
    EXPECT_EQ(list.back(), "self-check FAILED");
    EXPECT_EQ(text.find("disc check:"), std::string::npos);
    const std::string ran = readFile(mark);
    if (ran.empty()) continue;  // ended before Python got that far: a longer bound
    // The kit is ended, not left behind.
    const int pid = std::stoi(ran);
    bool gone = false;
    for (int i = 0; i < 500 && !gone; ++i) {
      gone = processGone(pid);
      if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(gone) << "the kit " << pid << " still runs";
    return;
  }
  FAIL() << "the stand-in kit never started within 32 s";
}

}  // namespace
}  // namespace scf
