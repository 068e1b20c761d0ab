#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "app/build_info.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

struct LauncherRun {
  int exitCode;
  std::string out;
};

// Runs the launcher with its user folder in a fresh temporary folder of its own
// (userDir, which does not exist yet), never the real home folder's.
LauncherRun runLauncher(const std::string& args, const std::string& prefix = "",
                        const std::string& userDir = "") {
  testing::TempFolder temporary;
  const std::string user = userDir.empty() ? temporary / "user" : userDir;
  const std::string cmd = "ZA2D_USER_DIR='" + user + "' " + prefix + "'" + SCF_LAUNCHER_EXE + "' " +
                          args + " 2>/dev/null";
  LauncherRun run{-1, {}};
  if (FILE* pipe = popen(cmd.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
      run.out.append(buf, n);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  return run;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

TEST(TextMode, VersionReportHoldsExactlyTwoLines) {
  const fs::path report = fs::temp_directory_path() / "scf_text_mode_v.txt";
  fs::remove(report);
  const LauncherRun run = runLauncher("--version --report '" + report.string() + "'");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "") << "with --report nothing goes to standard output";
  const std::string text = readFile(report);
  EXPECT_TRUE(std::regex_match(text, std::regex("version 0\\.8\\.0\ncommit [0-9a-f]{40}\n")))
      << text;
  EXPECT_EQ(text, std::string("version 0.8.0\ncommit ") + kSourceCommit + "\n");
  fs::remove(report);
}

TEST(TextMode, VersionGoesToStandardOutput) {
  const LauncherRun run = runLauncher("--version");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, std::string("version 0.8.0\ncommit ") + kSourceCommit + "\n");
}

TEST(TextMode, CommitNamesThisSourceTree) {
  // Fixed when the tree was configured: a commit of this repository that HEAD contains.
  if (!fs::exists(fs::path(SCF_SOURCE_DIR) / ".git")) GTEST_SKIP() << "not a git checkout";
  const std::string cmd = std::string("git -C '") + SCF_SOURCE_DIR + "' merge-base --is-ancestor " +
                          kSourceCommit + " HEAD";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << kSourceCommit;
}

TEST(GuiMode, WindowFailureExitsWithOne) {
  // Without a display the window cannot open: the error box is tried (and fails quietly here),
  // and the process ends with code 1 instead of running on without a window.
  testing::TempFolder folder;
  const std::string user = folder / "user";
  const LauncherRun run =
      runLauncher("--release /nonexistent-release", "env -u DISPLAY -u WAYLAND_DISPLAY ", user);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  // The release layout, user folder included, is resolved before the window: the run used
  // the folder it was given.
  EXPECT_TRUE(fs::is_directory(user));
}

TEST(GuiMode, ReportAloneDoesNotSelectTextMode) {
  const fs::path report = fs::temp_directory_path() / "scf_report_alone.txt";
  fs::remove(report);
  const LauncherRun run =
      runLauncher("--report '" + report.string() + "'", "env -u DISPLAY -u WAYLAND_DISPLAY ");
  EXPECT_EQ(run.exitCode, 1) << "the GUI mode ran (and failed without a display)";
  EXPECT_FALSE(fs::exists(report));
}

}  // namespace
}  // namespace scf
