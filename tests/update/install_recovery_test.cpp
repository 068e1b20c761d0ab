#include "update/install_recovery.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/python_exe.h"
#include "release/tr.h"
#include "support/test_support.h"
#include "update/install_lock.h"

namespace scf {
namespace {

using scf::testing::TempFolder;
using scf::testing::writeFile;

// A release whose installer stands in for the real one's recovery command.
class InstallRecoveryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    layout.releaseDir = release.path();
    layout.sourceDir = release / "source";
    layout.pythonExe = findPythonExe("/nonexistent-release");
  }

  void installer(const std::string& body) {
    writeFile(release / "source/tools/apply_update.py", "import os, sys\n" + body);
  }

  // Steps like the start-up loop until it ends or time is up; false when it did not end.
  bool runToEnd(InstallRecovery& recovery, double seconds = 20) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (recovery.step()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
  }

  TempFolder release;
  ReleaseLayout layout;
};

#ifdef _WIN32
#define SKIP_WITHOUT_LINUX_PYTHON() \
  GTEST_SKIP() << "the stand-in installer needs Linux Python, which wine cannot start"
#else
#define SKIP_WITHOUT_LINUX_PYTHON()
#endif

TEST_F(InstallRecoveryTest, NothingToDoWithoutAJournal) {
  EXPECT_FALSE(InstallRecovery::needed(layout));
  writeFile(release / "update/old_files.txt", "x\n");
  EXPECT_FALSE(InstallRecovery::needed(layout));
  writeFile(release / "update/journal.json", "{}");
  EXPECT_TRUE(InstallRecovery::needed(layout));
}

TEST_F(InstallRecoveryTest, TheInstallerReadsItsJournalBack) {
  SKIP_WITHOUT_LINUX_PYTHON();
  installer(
      "open('recovered.txt', 'w').write(' '.join(sys.argv[1:]))\n"
      "os.remove(os.path.join('update', 'journal.json'))\n"
      "print('step recover'); print('done recovered')\n");
  writeFile(release / "update/journal.json", "{}");
  InstallRecovery recovery;
  recovery.start(layout);
  uiFrench = false;
  EXPECT_EQ(recovery.sentence(), "Finishing an update that was interrupted…");
  ASSERT_TRUE(runToEnd(recovery));
  EXPECT_EQ(recovery.error(), "");
  EXPECT_EQ(scf::testing::readFile(release / "recovered.txt"),
            "--recover --install " + release.path());
  EXPECT_FALSE(scf::testing::exists(release / "update")) << "the emptied update folder stays";
  EXPECT_FALSE(InstallRecovery::needed(layout));
}

TEST_F(InstallRecoveryTest, AFailedRecoveryIsShownWithTheInstallersSentence) {
  SKIP_WITHOUT_LINUX_PYTHON();
  struct Case {
    const char* script;
    const char* error;
  };
  for (const Case& c :
       {Case{"print('error Two files could not be put back.'); sys.exit(1)\n",
             "The interrupted update could not be finished: Two files could not be put back."},
        Case{"sys.exit(4)\n",
             "The interrupted update could not be finished: the installer "
             "stopped with code 4."}}) {
    installer(c.script);
    writeFile(release / "update/journal.json", "{}");
    InstallRecovery recovery;
    recovery.start(layout);
    ASSERT_TRUE(runToEnd(recovery));
    EXPECT_EQ(recovery.error(), c.error);
  }
}

TEST_F(InstallRecoveryTest, AnInstallerStillRunningIsWaitedFor) {
  SKIP_WITHOUT_LINUX_PYTHON();
  installer(
      "open('recovered.txt', 'w').close(); os.remove(os.path.join('update', "
      "'journal.json'))\n");
  writeFile(release / "update/journal.json", "{}");
  // The installer a launcher that went away left running holds the lock.
  ChildProcess running;
  std::string error;
  ASSERT_TRUE(
      running.start(layout.pythonExe, {"-c", "import time; time.sleep(30)"}, "", true, error))
      << error;
  writeFile(InstallLock::pathIn(release / "update"), std::to_string(running.processId()) + "\n");
  InstallRecovery recovery;
  recovery.start(layout);
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(recovery.step());
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  uiFrench = false;
  EXPECT_EQ(recovery.sentence(),
            "An update is being installed; the launcher opens once it has finished…");
  EXPECT_FALSE(scf::testing::exists(release / "recovered.txt")) << "recovered under the installer";
  running.kill();
  ASSERT_TRUE(runToEnd(recovery));
  EXPECT_TRUE(scf::testing::exists(release / "recovered.txt"));
  EXPECT_EQ(recovery.error(), "");
}

TEST_F(InstallRecoveryTest, LeftoversOfALauncherThatWentAwayAreTidied) {
  SKIP_WITHOUT_LINUX_PYTHON();
  const std::string update = release / "update";
  // A process that has ended: its lock is stale.
  ChildProcess ended;
  std::string error;
  ASSERT_TRUE(ended.start(layout.pythonExe, {"-c", "pass"}, "", true, error)) << error;
  for (int i = 0; i < 500 && ended.running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ChildProcess alive;
  ASSERT_TRUE(alive.start(layout.pythonExe, {"-c", "import time; time.sleep(30)"}, "", true, error))
      << error;
  for (const bool someoneWorks : {true, false}) {
    writeFile(InstallLock::pathIn(update),
              std::to_string((someoneWorks ? alive : ended).processId()) + "\n");
    writeFile(update + "/installer-output.txt", "step install\n");
    writeFile(update + "/ZER_Avudud-0.9.0-ravelin.zip.minisig", "signature");
    writeFile(update + "/ZER_Avudud-0.9.1-ravelin.zip.minisig", "signature");
    writeFile(update + "/ZER_Avudud-0.9.1-ravelin.zip", "archive");
    InstallRecovery::tidy(layout);
    EXPECT_EQ(scf::testing::exists(InstallLock::pathIn(update)), someoneWorks);
    EXPECT_EQ(scf::testing::exists(update + "/installer-output.txt"), someoneWorks);
    EXPECT_EQ(scf::testing::exists(update + "/ZER_Avudud-0.9.0-ravelin.zip.minisig"), someoneWorks);
    EXPECT_TRUE(scf::testing::exists(update + "/ZER_Avudud-0.9.1-ravelin.zip.minisig"));
  }
  std::filesystem::remove(utf8Path(update + "/ZER_Avudud-0.9.1-ravelin.zip"));
  InstallRecovery::tidy(layout);
  EXPECT_FALSE(scf::testing::exists(update)) << "the emptied update folder stays";
}

}  // namespace
}  // namespace scf
