#include "update/update_install.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "app/app.h"
#include "app/update_start.h"
#include "platform/lock_file.h"
#include "platform/python_exe.h"
#include "support/release_host.h"
#include "support/test_support.h"
#include "update/install_lock.h"
#include "update/update_chain.h"

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
  EXPECT_FALSE(install.installerDone) << "no version was asked for";

  // Only "done" with the version asked for, as the last word, is the installer's success.
  install.installVersion = "0.9.0";
  struct Done {
    std::vector<const char*> lines;
    bool done;
  };
  for (const Done& c :
       {Done{{"done 0.9.0"}, true}, Done{{"step done"}, false}, Done{{"done 0.9.1"}, false},
        Done{{"done 0.9.0 "}, false}, Done{{"done 0.9.0", "step finish"}, false},
        Done{{"done 0.9.0", "error it broke"}, false},
        Done{{"step finish", "done 0.9.0", "progress 1 1"}, true}}) {
    install.installerDone = false;
    for (const char* line : c.lines)
      install.installerLine(line);
    EXPECT_EQ(install.installerDone, c.done) << c.lines.front() << " …" << c.lines.size();
  }
}

TEST(ReleaseArchiveUrl, UsesThePrefixAsItStands) {
  EXPECT_EQ(releaseArchiveUrl("https://h/x/releases/download/", "v0.9.0", "0.9.0"),
            "https://h/x/releases/download/v0.9.0/ZER_Avudud-0.9.0-ravelin.zip");
  EXPECT_EQ(releaseArchiveUrl("https://h/dl", "v0.9.0", "0.9.0"),
            "https://h/dlv0.9.0/ZER_Avudud-0.9.0-ravelin.zip");
}

const std::string kCases = SCF_SIGNATURE_CASES;
const std::string kAsset = "ZER_Avudud-0.9.0-ravelin.zip";

// Every file below folder with its bytes, by path relative to it.
std::map<std::string, std::string> filesBelow(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code error;
  for (auto it = std::filesystem::recursive_directory_iterator(utf8Path(folder), error);
       !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
    const std::string path = utf8String(it->path());
    files[utf8String(it->path().lexically_relative(utf8Path(folder)))] =
        it->is_directory() ? std::string("<folder>") : scf::testing::readFile(path);
  }
  return files;
}

// A release folder whose installer is a small script standing in for the real one, and a host
// whose release tags are the signature cases (tests/update/make_signature_cases.py): "signed"
// is release 0.9.0 signed with the key the launcher trusts here.
class UpdateInstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SignatureKey trusted;
    ASSERT_TRUE(parsePublicKey(scf::testing::readFile(kCases + "/trusted.pub"), trusted));
    app.updateInstall.trustedKeys = {trusted};
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

  void startFrom(scf::testing::ReleaseHost& server, const std::string& tag = "signed") {
    ASSERT_FALSE(server.base().empty()) << "the release host did not start";
    app.updateInstall.downloadPrefix = server.url("/ZavUdedaved/ZER_Avudud/releases/download/");
    app.startUpdate(tag, "0.9.0");
  }

  // Polls like the frame loop until the state leaves the given ones or time is up.
  int pollWhile(std::initializer_list<int> states, double seconds = 20) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    for (;;) {
      pollUpdate(app);
      const int state = app.updateInstall.installState;
      bool waiting = false;
      for (int s : states)
        waiting = waiting || s == state;
      if (!waiting || std::chrono::steady_clock::now() > deadline) return state;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  TempFolder release;
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
  scf::testing::ReleaseHost server({"--root", kCases});
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
      {"print('step done'); sys.exit(0)\n", kInstallFailed, "The update stopped (exit code 0)."},
      {"print('done 0.9.1'); sys.exit(0)\n", kInstallFailed, "The update stopped (exit code 0)."},
      {"print('done 0.9.0'); sys.exit(3)\n", kInstallFailed, "The update stopped (exit code 3)."},
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
  // It carries the tag it installed, so that it does not install it again.
  EXPECT_EQ(scf::testing::readFile(said),
            release.path() + " --update-now --ui-scale 1 --installed=signed\n");
  EXPECT_EQ(scf::testing::readFile(release / "update/ZER_Avudud-0.9.0-ravelin.zip"),
            scf::testing::readFile(kCases + "/signed/" + kAsset));
  EXPECT_FALSE(scf::testing::exists(InstallLock::pathIn(release / "update")))
      << "the lock outlived the install";
}

TEST_F(UpdateInstallTest, InstallerThatCannotStartFails) {
  SKIP_WITHOUT_LINUX_PYTHON("a host serving this test's release files");
  scf::testing::ReleaseHost server({"--root", kCases});
  app.layout.pythonExe = release / "kit/python/bin/python3";
  startFrom(server);
  EXPECT_EQ(pollWhile({kInstallDownloading}), kInstallFailed);
  EXPECT_EQ(app.updateInstall.installError.rfind("The update could not start: ", 0), 0u)
      << app.updateInstall.installError;
}

TEST_F(UpdateInstallTest, StopDuringTheDownloadBringsTheOfferBack) {
  SKIP_WITHOUT_LINUX_PYTHON("a throttled host serving this test's release files");
  scf::testing::ReleaseHost server({"--root", kCases, "--throttle", "20"});
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

// Every hostile signature through the launcher's own update path against the release host: the
// install stops with the sentence, and the release folder is as it was, file by file.
TEST_F(UpdateInstallTest, ReleasesNotSignedByTheMakersChangeNothing) {
  SKIP_WITHOUT_LINUX_PYTHON("a host serving the signature cases");
  scf::testing::ReleaseHost server({"--root", kCases});
  installer("open('installer-ran.txt', 'w').close(); print('done 0.9.0')\n");
  const std::map<std::string, SignatureVerdict> verdicts = {
      {"missing", SignatureVerdict::missing},
      {"malformed", SignatureVerdict::malformed},
      {"legacyAlgorithm", SignatureVerdict::legacyAlgorithm},
      {"unknownKey", SignatureVerdict::unknownKey},
      {"badSignature", SignatureVerdict::badSignature},
      {"badComment", SignatureVerdict::badComment},
      {"otherRelease", SignatureVerdict::otherRelease}};
  std::ifstream table(utf8Path(kCases + "/cases.txt"));
  std::string name;
  std::string verdict;
  int refused = 0;
  while (table >> name >> verdict) {
    if (verdict == "valid") continue;
    ASSERT_EQ(verdicts.count(verdict), 1u) << verdict;
    const auto before = filesBelow(release.path());
    app.updateInstall.installState = kInstallIdle;
    startFrom(server, name);
    EXPECT_EQ(pollWhile({kInstallDownloading, kInstallInstalling}), kInstallFailed) << name;
    EXPECT_EQ(app.updateInstall.installError, unsignedUpdateSentence(verdicts.at(verdict))) << name;
    EXPECT_EQ(filesBelow(release.path()), before) << name << ": the release folder changed";
    EXPECT_FALSE(app.quitConfirmed) << name;
    ++refused;
  }
  EXPECT_GE(refused, 14);
}

TEST_F(UpdateInstallTest, OneUpdateOfAReleaseAtATime) {
  SKIP_WITHOUT_LINUX_PYTHON("a host serving the signature cases");
  scf::testing::ReleaseHost server({"--root", kCases});
  installer("print('done 0.9.0')\n");
  // Another process works on this release's update: this launcher changes nothing.
  ChildProcess holder;
  std::string error;
  ASSERT_TRUE(holder.start(findPythonExe("/nonexistent-release"),
                           {"-c", "import time; time.sleep(30)"}, "", true, error))
      << error;
  const std::string lock = InstallLock::pathIn(release / "update");
  writeFile(lock, std::to_string(holder.processId()) + "\n");
  const auto before = filesBelow(release.path());
  startFrom(server);
  EXPECT_EQ(app.updateInstall.installState, kInstallFailed);
  EXPECT_EQ(app.updateInstall.installError,
            "Another update of this release is under way (process " +
                std::to_string(holder.processId()) +
                "); this one changes nothing. Try again once it has finished.");
  EXPECT_FALSE(app.updateInstall.downloader.joinable());
  EXPECT_EQ(filesBelow(release.path()), before);

  // Once that process has ended, its lock is stale and the update goes ahead.
  holder.kill();
  for (int i = 0; i < 500 && holder.running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  holder.start(findPythonExe("/nonexistent-release"), {"-c", "pass"}, "", true, error);
  for (int i = 0; i < 500 && holder.running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  startFrom(server);
  EXPECT_EQ(pollWhile({kInstallDownloading, kInstallInstalling}), kInstallRestarting)
      << app.updateInstall.installError;
  EXPECT_FALSE(scf::testing::exists(lock));
}

TEST_F(UpdateInstallTest, ARestartChainDoesNotInstallTheSameTagAgain) {
  installer("print('done 0.9.0')\n");
  app.launchArgs = {"--update-now", "--installed=signed"};
  const auto before = filesBelow(release.path());
  // Refused before any request: no host is needed.
  app.updateInstall.downloadPrefix = "http://127.0.0.1:9/";
  app.startUpdate("signed", "0.9.0");
  EXPECT_EQ(app.updateInstall.installState, kInstallFailed);
  EXPECT_EQ(app.updateInstall.installError,
            "Version 0.9.0 was installed just before this start; it is not installed again.");
  EXPECT_FALSE(app.updateInstall.downloader.joinable());
  EXPECT_EQ(filesBelow(release.path()), before);
}

TEST(RestartArguments, CarryEveryTagOfTheChainOnce) {
  EXPECT_EQ(restartArguments({"--update-now"}, "v0.9.0"),
            (std::vector<std::string>{"--update-now", "--installed=v0.9.0"}));
  EXPECT_EQ(restartArguments({"--installed=v0.9.0"}, "v0.10.0"),
            (std::vector<std::string>{"--installed=v0.9.0", "--installed=v0.10.0"}));
  EXPECT_EQ(restartArguments({"--installed=v0.9.0"}, "v0.9.0"),
            (std::vector<std::string>{"--installed=v0.9.0"}));
  EXPECT_TRUE(installedInChain({"--release", "x", "--installed=v1"}, "v1"));
  EXPECT_FALSE(installedInChain({"--installed", "v1"}, "v1"));
}

// The installer belongs to no job of the launcher's: a launcher that goes away midway leaves
// it to finish the install.
TEST_F(UpdateInstallTest, TheInstallerFinishesWhenTheLauncherGoesAway) {
  SKIP_WITHOUT_LINUX_PYTHON("the stand-in installer");
  scf::testing::ReleaseHost server({"--root", kCases});
  installer(
      "import os, time\n"
      "print('step install', flush=True)\n"
      "for _ in range(1000):\n"
      "    if os.path.exists('go.txt'): break\n"
      "    time.sleep(0.01)\n"
      "open('finished.tmp', 'w').close(); os.replace('finished.tmp', 'finished.txt')\n"
      "print('done 0.9.0')\n");
  auto launcher = std::make_unique<App>();
  launcher->updateInstall.trustedKeys = app.updateInstall.trustedKeys;
  launcher->layout = app.layout;
  launcher->updateInstall.launcherPath = app.updateInstall.launcherPath;
  launcher->updateInstall.downloadPrefix = server.url("/ZavUdedaved/ZER_Avudud/releases/download/");
  launcher->startUpdate("signed", "0.9.0");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (launcher->updateInstall.installStage != "install" &&
         std::chrono::steady_clock::now() < deadline) {
    pollUpdate(*launcher);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(launcher->updateInstall.installStage, "install")
      << launcher->updateInstall.installError;
  const std::uint32_t installerId = launcher->updateInstall.installer.processId();
  EXPECT_EQ(scf::testing::readFile(InstallLock::pathIn(release / "update")),
            std::to_string(installerId) + "\n")
      << "the running installer holds the lock";
  launcher.reset();
  writeFile(release / "go.txt", "");
  for (int i = 0; i < 1000 && !scf::testing::exists(release / "finished.txt"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(scf::testing::exists(release / "finished.txt"))
      << "the installer ended with the launcher";
}

}  // namespace
}  // namespace scf
