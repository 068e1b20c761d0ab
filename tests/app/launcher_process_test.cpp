#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "platform/build_info.h"
#include "platform/process.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

struct LauncherRun {
  int exitCode;
  std::string out;
};

// Runs the launcher as the system starts programs, with its user folder in a fresh temporary
// folder of its own (which does not exist yet), never the real home folder's. Its output, each
// line ended by a line feed (standard error joins it: these runs write none).
LauncherRun runLauncher(const std::vector<std::string>& args) {
  testing::TempFolder temporary;
  testing::EnvGuard env;
  env.set("ZA2D_USER_DIR", temporary / "user");
  LauncherRun run{-1, {}};
  ChildProcess launcher;
  std::string error;
  if (!launcher.start(SCF_LAUNCHER_EXE, args, "", true, error)) {
    run.out = error;
    return run;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (launcher.running() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  launcher.waitReader(5000);
  for (const std::string& line : launcher.takeLines())
    run.out += line + "\n";
  run.exitCode = launcher.exitCode();
  return run;
}

#ifndef _WIN32
// The window's failure needs a desktop without a display: a shell that takes it away.
LauncherRun runLauncherWithoutDisplay(const std::string& args, const std::string& userDir = "") {
  testing::TempFolder temporary;
  const std::string user = userDir.empty() ? temporary / "user" : userDir;
  const std::string cmd = "ZA2D_USER_DIR='" + user + "' env -u DISPLAY -u WAYLAND_DISPLAY '" +
                          SCF_LAUNCHER_EXE + "' " + args + " 2>/dev/null";
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
#endif

TEST(TextMode, VersionReportHoldsExactlyTwoLines) {
  testing::TempFolder folder;
  const std::string report = folder / "rapport d'été.txt";
  const LauncherRun run = runLauncher({"--version", "--report", report});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, "") << "with --report nothing goes to standard output";
  const std::string text = testing::readFile(report);
  EXPECT_TRUE(std::regex_match(text, std::regex("version 0\\.8\\.0\ncommit [0-9a-f]{40}\n")))
      << text;
  EXPECT_EQ(text, std::string("version 0.8.0\ncommit ") + kSourceCommit + "\n");
}

TEST(TextMode, VersionGoesToStandardOutput) {
  const LauncherRun run = runLauncher({"--version"});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out, std::string("version 0.8.0\ncommit ") + kSourceCommit + "\n");
}

TEST(TextMode, CommitNamesThisSourceTree) {
#ifdef _WIN32
  GTEST_SKIP() << "git of the build machine cannot be run from a Windows program";
#endif
  // Fixed when the tree was configured: a commit of this repository that HEAD contains.
  if (!fs::exists(fs::path(SCF_SOURCE_DIR) / ".git")) GTEST_SKIP() << "not a git checkout";
  const std::string cmd = std::string("git -C '") + SCF_SOURCE_DIR + "' merge-base --is-ancestor " +
                          kSourceCommit + " HEAD";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << kSourceCommit;
}

TEST(GuiMode, WindowFailureExitsWithOne) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows desktop always has a display to open the window on";
#else
  // Without a display the window cannot open: the error box is tried (and fails quietly here),
  // and the process ends with code 1 instead of running on without a window.
  testing::TempFolder folder;
  const std::string user = folder / "user";
  const LauncherRun run = runLauncherWithoutDisplay("--release /nonexistent-release", user);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  // The release layout, user folder included, is resolved before the window: the run used
  // the folder it was given.
  EXPECT_TRUE(fs::is_directory(user));
#endif
}

TEST(GuiMode, ReportAloneDoesNotSelectTextMode) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows desktop always has a display to open the window on";
#else
  const fs::path report = fs::temp_directory_path() / "scf_report_alone.txt";
  fs::remove(report);
  const LauncherRun run = runLauncherWithoutDisplay("--report '" + report.string() + "'");
  EXPECT_EQ(run.exitCode, 1) << "the GUI mode ran (and failed without a display)";
  EXPECT_FALSE(fs::exists(report));
#endif
}

}  // namespace
}  // namespace scf
