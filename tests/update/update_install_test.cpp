#include "update/update_install.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <string>
#include <thread>

#include "app/app.h"
#include "platform/python_exe.h"
#include "support/release_host.h"
#include "support/test_support.h"

namespace scf {
namespace {

using scf::testing::TempFolder;
using scf::testing::writeFile;

TEST(InstallerLine, FollowsStepsProgressErrorsAndTheEnd) {
  UpdateInstall install;
  install.received = 7;
  install.total = 9;
  install.installerLine("step verify");
  EXPECT_EQ(install.installStage, "verify");
  EXPECT_EQ(install.received.load(), 0u);
  EXPECT_EQ(install.total.load(), 0u);

  struct Case {
    const char* line;
    std::uint64_t received;
    std::uint64_t total;
  };
  for (const Case& c :
       {Case{"progress 5 10", 5, 10}, Case{"progress x 10", 5, 10}, Case{"progress 7", 5, 10},
        Case{"prog", 5, 10}, Case{"progress 18446744073709551615 1", 18446744073709551615ULL, 1}}) {
    install.installerLine(c.line);
    EXPECT_EQ(install.received.load(), c.received) << c.line;
    EXPECT_EQ(install.total.load(), c.total) << c.line;
  }

  install.installerLine("done");  // the word alone does not count
  EXPECT_EQ(install.installStage, "verify");
  install.installerLine("error the archive is damaged");
  EXPECT_EQ(install.installError, "the archive is damaged");
  install.installerLine("done 0.9.0");
  EXPECT_EQ(install.installStage, "done");
}

TEST(ReleaseArchiveUrl, UsesThePrefixAsItStands) {
  EXPECT_EQ(releaseArchiveUrl("https://h/x/releases/download/", "v0.9.0", "0.9.0"),
            "https://h/x/releases/download/v0.9.0/ZER_Avudud-0.9.0-ravelin.zip");
  EXPECT_EQ(releaseArchiveUrl("https://h/dl", "v0.9.0", "0.9.0"),
            "https://h/dlv0.9.0/ZER_Avudud-0.9.0-ravelin.zip");
}

// A release folder whose installer is a small script standing in for the real one, and a host
// offering version 0.9.0.
class UpdateInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string files = host / "v0.9.0";
    writeFile(files + "/ZER_Avudud-0.9.0-ravelin.zip", std::string(3000, 'z'));
    writeFile(files + "/ZER_Avudud-0.9.0-ravelin.zip.sha256",
              "abc  ZER_Avudud-0.9.0-ravelin.zip\n");
    app.layout.releaseDir = release.path();
    app.layout.sourceDir = release / "source";
    app.layout.pythonExe = findPythonExe("/nonexistent-release");
    // Stands in for the launcher started again after an install.
    writeFile(release / "launcher.sh",
              "#!/bin/sh\necho \"$PWD $*\" > restarted.tmp && mv restarted.tmp restarted.txt\n");
    ::chmod((release / "launcher.sh").c_str(), 0755);
    app.updateInstall.launcherPath = release / "launcher.sh";
    app.launchArgs = {"--update-now", "--ui-scale", "1"};
  }

  void installer(const std::string& body) {
    writeFile(release / "source/tools/apply_update.py", "import sys\n" + body);
  }

  void startFrom(scf::testing::ReleaseHost& server) {
    ASSERT_FALSE(server.base().empty()) << "the release host did not start";
    app.updateInstall.downloadPrefix = server.url("/ZavUdedaved/ZER_Avudud/releases/download/");
    app.startUpdate("v0.9.0", "0.9.0");
  }

  // Polls like the frame loop until the state leaves the given ones or time is up.
  int pollWhile(std::initializer_list<int> states, double seconds = 20) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    for (;;) {
      UpdateInstall::poll(app);
      const int state = app.updateInstall.installState;
      bool waiting = false;
      for (int s : states)
        waiting = waiting || s == state;
      if (!waiting || std::chrono::steady_clock::now() > deadline) return state;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  TempFolder release;
  TempFolder host;
  App app;
};

// Under wine a Windows program cannot start Linux Python with its output: the stand-in installer
// and a host of the test's own cannot run there.
#ifdef _WIN32
#define SKIP_WITHOUT_LINUX_PYTHON(what) \
  GTEST_SKIP() << what << " needs Linux Python started by this program, which wine cannot do"
#else
#define SKIP_WITHOUT_LINUX_PYTHON(what)
#endif

TEST_F(UpdateInstallTest, MissingArchiveFailsWithTheHostsStatus) {
  scf::testing::ReleaseHost server;  // serves no release files
  installer("sys.exit(0)\n");
  startFrom(server);
  EXPECT_EQ(app.updateInstall.installState, kInstallDownloading);
  EXPECT_EQ(pollWhile({kInstallDownloading}), kInstallFailed);
  EXPECT_EQ(app.updateInstall.installError, "The download failed: HTTP 404.");
  EXPECT_FALSE(scf::testing::exists(release / "update/ZER_Avudud-0.9.0-ravelin.zip.sha256"));
}

TEST_F(UpdateInstallTest, InstallerOutcomes) {
  SKIP_WITHOUT_LINUX_PYTHON("the stand-in installer");
  scf::testing::ReleaseHost server({"--root", host.path()});
  struct Case {
    const char* script;
    int state;
    const char* error;
  };
  const Case cases[] = {
      {"print('step verify'); print('error the checksum differs'); sys.exit(1)\n", kInstallFailed,
       "the checksum differs"},
      {"print('step install'); sys.exit(1)\n", kInstallFailed, "The update stopped (exit code 1)."},
      {"print('done'); sys.exit(0)\n", kInstallFailed, "The update stopped (exit code 0)."},
      {"assert '--install' in sys.argv and '--zip' in sys.argv\n"
       "print('step verify'); print('progress 5 10'); print('done 0.9.0')\n",
       kInstallRestarting, ""},
  };
  for (const Case& c : cases) {
    installer(c.script);
    app.updateInstall.installState = kInstallIdle;
    app.quitConfirmed = false;
    startFrom(server);
    EXPECT_EQ(pollWhile({kInstallDownloading, kInstallInstalling}), c.state) << c.script;
    EXPECT_EQ(app.updateInstall.installError, c.error) << c.script;
    EXPECT_EQ(app.quitConfirmed, c.state == kInstallRestarting) << c.script;
  }
  // The restarted launcher: the path it had at start, its arguments, in the release folder.
  const std::string said = release / "restarted.txt";
  for (int i = 0; i < 500 && !scf::testing::exists(said); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(scf::testing::readFile(said), release.path() + " --update-now --ui-scale 1\n");
  EXPECT_EQ(scf::testing::readFile(release / "update/ZER_Avudud-0.9.0-ravelin.zip"),
            std::string(3000, 'z'));
}

TEST_F(UpdateInstallTest, InstallerThatCannotStartFails) {
  SKIP_WITHOUT_LINUX_PYTHON("a host serving this test's release files");
  scf::testing::ReleaseHost server({"--root", host.path()});
  app.layout.pythonExe = release / "kit/python/bin/python3";
  startFrom(server);
  EXPECT_EQ(pollWhile({kInstallDownloading}), kInstallFailed);
  EXPECT_EQ(app.updateInstall.installError.rfind("The update could not start: ", 0), 0u)
      << app.updateInstall.installError;
}

TEST_F(UpdateInstallTest, StopDuringTheDownloadBringsTheOfferBack) {
  SKIP_WITHOUT_LINUX_PYTHON("a throttled host serving this test's release files");
  scf::testing::ReleaseHost server({"--root", host.path(), "--throttle", "20"});
  installer("sys.exit(0)\n");
  startFrom(server);
  app.updateInstall.stopDownload.store(true);
  EXPECT_EQ(pollWhile({kInstallDownloading}), kInstallIdle);
  EXPECT_FALSE(scf::testing::exists(release / "update/ZER_Avudud-0.9.0-ravelin.zip"));
}

TEST_F(UpdateInstallTest, NothingStartsWhileABuildRunsOrWithoutATag) {
  app.build.building = true;
  app.startUpdate("v0.9.0", "0.9.0");
  EXPECT_EQ(app.updateInstall.installState, kInstallIdle);
  app.build.building = false;
  app.startUpdate("", "0.9.0");
  app.startUpdate("v0.9.0", "");
  EXPECT_EQ(app.updateInstall.installState, kInstallIdle);
  EXPECT_FALSE(app.updateInstall.downloader.joinable());
}

}  // namespace
}  // namespace scf
