#include "update/install_lock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/lock_file.h"
#include "support/test_support.h"

namespace scf {
namespace {

using scf::testing::readFile;
using scf::testing::TempFolder;
using scf::testing::writeFile;

// No process has this id on either system (Linux ids stay below 2^22, Windows ids are
// multiples of 4).
constexpr std::uint32_t kEndedProcess = 4000000001u;

TEST(InstallLock, TakenHandedOverAndGivenUp) {
  TempFolder update;
  const std::string path = InstallLock::pathIn(update.path());
  const std::string self = std::to_string(currentProcessId()) + "\n";
  InstallLock lock;
  std::uint32_t holder = 7;
  ASSERT_TRUE(lock.take(update.path(), holder));
  EXPECT_EQ(holder, 0u);
  EXPECT_EQ(readFile(path), self);
  EXPECT_EQ(InstallLock::holder(update.path()), currentProcessId());
  // This process's own lock is its own to take again.
  InstallLock again;
  EXPECT_TRUE(again.take(update.path(), holder));
  again = InstallLock();

  lock.handTo(kEndedProcess);
  EXPECT_EQ(readFile(path), std::to_string(kEndedProcess) + "\n");
  EXPECT_EQ(InstallLock::holder(update.path()), 0u) << "the holder has ended";
  lock.release();
  EXPECT_FALSE(scf::testing::exists(path));

  // A lock someone else took since is not given up.
  ASSERT_TRUE(lock.take(update.path(), holder));
  writeFile(path, "12\n");
  lock.release();
  EXPECT_EQ(readFile(path), "12\n");
}

TEST(InstallLock, StaleOrDamagedLocksAreTakenOverAndAFreshEmptyOneIsNot) {
  TempFolder update;
  const std::string path = InstallLock::pathIn(update.path());
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::seconds(60);
  struct Case {
    std::string text;
    bool aged;
    bool taken;
  };
  // An empty or damaged lock is being written by its maker for a moment: stale only once old.
  for (const Case& c :
       {Case{std::to_string(kEndedProcess) + "\n", false, true},
        Case{"not a process\n", true, true}, Case{"99999999999\n", true, true},
        Case{"", true, true}, Case{"", false, false}, Case{"not a process\n", false, false}}) {
    writeFile(path, c.text);
    if (c.aged) std::filesystem::last_write_time(utf8Path(path), old);
    InstallLock lock;
    std::uint32_t holder = 7;
    EXPECT_EQ(lock.take(update.path(), holder), c.taken) << "[" << c.text << "]";
    EXPECT_EQ(holder, 0u);
    if (c.taken) {
      EXPECT_EQ(readFile(path), std::to_string(currentProcessId()) + "\n");
      lock.release();
    }
    std::error_code ignored;
    std::filesystem::remove(utf8Path(path), ignored);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(utf8Path(update.path())),
                            std::filesystem::directory_iterator()),
              0)
        << "something was left beside the lock";
  }
}

TEST(ProcessAlive, ThisOneAndNone) {
  EXPECT_TRUE(processAlive(currentProcessId()));
  EXPECT_FALSE(processAlive(0));
  EXPECT_FALSE(processAlive(kEndedProcess));
}

}  // namespace
}  // namespace scf
