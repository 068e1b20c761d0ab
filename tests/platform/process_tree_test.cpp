#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "process_test_support.h"

extern char** environ;

namespace scf {
namespace {

constexpr const char* treeScript = SCF_PROCESS_TREE_SCRIPT;
constexpr std::size_t treeSize = 6;

// A fixture that starts the tree script captured and knows its pids.
class ChildTree : public ::testing::Test {
 protected:
  void startTree(ChildProcess& child) {
    std::string error;
    ASSERT_TRUE(child.start("/bin/sh", {treeScript, pidFile}, "", true, error)) << error;
    pids = test::readTreePids(pidFile);
    ASSERT_EQ(pids.size(), treeSize);
    ASSERT_EQ(pids.front(), static_cast<int>(child.processId()));
    // The tree's line comes through while it runs.
    ASSERT_TRUE(test::waitUntil([&] {
      auto lines = child.takeLines();
      return std::find(lines.begin(), lines.end(), "tree ready") != lines.end();
    }));
  }

  test::TempFolder folder;
  std::string pidFile = folder.file("pids");
  std::vector<int> pids;
};

double secondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(ChildTree, KillEndsTheWholeTree) {
  ChildProcess child;
  startTree(child);
  child.kill();
  EXPECT_TRUE(test::waitUntil([&] { return test::allGone(pids); }));
  // Zombies stay in the group until the holder has reaped them.
  EXPECT_TRUE(test::waitUntil([&] { return test::groupGone(pids.front()); }));
  EXPECT_FALSE(child.running());
  EXPECT_EQ(child.exitCode(), 1);
  child.waitReader(2000);
  EXPECT_TRUE(child.readerDone());
}

TEST_F(ChildTree, TeardownEndsTheWholeTreePromptly) {
  auto child = std::make_unique<ChildProcess>();
  startTree(*child);
  auto start = std::chrono::steady_clock::now();
  child.reset();
  EXPECT_LT(secondsSince(start), 5.0);
  EXPECT_TRUE(test::allGone(pids));
  EXPECT_TRUE(test::groupGone(pids.front()));
}

TEST_F(ChildTree, StartingAgainInABusySlotEndsTheOldTreeFirst) {
  ChildProcess child;
  startTree(child);
  std::string error;
  ASSERT_TRUE(child.start("/bin/sh", {"-c", "echo second"}, "", true, error)) << error;
  EXPECT_TRUE(test::allGone(pids));
  EXPECT_TRUE(test::waitUntil([&] { return !child.running(); }));
  child.waitReader(2000);
  EXPECT_THAT(child.takeLines(), ::testing::ElementsAre("second"));
}

TEST_F(ChildTree, TeardownEndsAReadThatSomethingOutsideTheTreeKeepsOpen) {
  auto child = std::make_unique<ChildProcess>();
  std::string error;
  ASSERT_TRUE(child->start("/bin/sh", {"-c", "echo hi; exec sleep 30"}, "", true, error)) << error;
  // This process takes its own copy of the child's output pipe, out of the job's reach.
  std::string output = "/proc/" + std::to_string(child->processId()) + "/fd/1";
  int held = open(output.c_str(), O_WRONLY | O_CLOEXEC);
  ASSERT_GE(held, 0);
  auto start = std::chrono::steady_clock::now();
  child.reset();
  EXPECT_LT(secondsSince(start), 5.0);
  close(held);
}

TEST(ChildJob, OutlivesTheThreadThatStartedIt) {
  // The holder's parent-death signal also fires when only the starting thread ends.
  ChildProcess child;
  std::thread starter([&] {
    std::string error;
    EXPECT_TRUE(child.start("/bin/sleep", {"30"}, "", true, error)) << error;
  });
  starter.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(child.running());
  child.kill();
  EXPECT_TRUE(test::waitUntil([&] { return !child.running(); }));
  EXPECT_EQ(child.exitCode(), 1);
}

TEST_F(ChildTree, NothingOfTheTreeOutlivesAKilledLauncher) {
  const char* helper = SCF_LAUNCHER_DEATH_HELPER;
  std::vector<char*> argv = {const_cast<char*>(helper), const_cast<char*>(treeScript),
                             pidFile.data(), nullptr};
  pid_t launcher = -1;
  ASSERT_EQ(posix_spawn(&launcher, helper, nullptr, nullptr, argv.data(), environ), 0);
  pids = test::readTreePids(pidFile);
  ASSERT_EQ(pids.size(), treeSize);
  ASSERT_EQ(::kill(launcher, SIGKILL), 0);
  waitpid(launcher, nullptr, 0);
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(test::groupGone(pids.front()));
  for (int pid : pids)
    EXPECT_TRUE(test::processGone(pid)) << "pid " << pid << " survived";
}

}  // namespace
}  // namespace scf
