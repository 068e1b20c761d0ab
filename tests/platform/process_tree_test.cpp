#include <gmock/gmock.h>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "process_test_support.h"

#ifndef _WIN32
#include "platform/job_cgroup_posix.h"
#endif

#ifndef _WIN32
extern char** environ;
#endif

namespace scf {
namespace {

#ifdef _WIN32
// The helper's tree: each copy started by the one before it, all sharing the output pipe.
constexpr std::size_t treeSize = 4;
ChildCommand treeCommand(const std::string& pidFile) {
  return {test::processHelper, {"tree", std::to_string(treeSize), pidFile}, ""};
}
#else
// A script whose members leave the program's group and session in every way a shell can.
constexpr const char* treeScript = SCF_PROCESS_TREE_SCRIPT;
constexpr std::size_t treeSize = 6;
ChildCommand treeCommand(const std::string& pidFile) {
  return {"/bin/sh", {treeScript, pidFile}, ""};
}
#endif

// A fixture that starts a tree captured and knows its pids.
class ChildTree : public ::testing::Test {
 protected:
  void startTree(ChildProcess& child) {
    std::string error;
    ASSERT_TRUE(child.start(treeCommand(pidFile), true, error)) << error;
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
#ifndef _WIN32
  // Zombies stay in the group until the holder has reaped them.
  EXPECT_TRUE(test::waitUntil([&] { return test::groupGone(pids.front()); }));
#endif
  EXPECT_FALSE(child.running());
  EXPECT_EQ(child.exitCode(), 1);
  child.waitReader(2000);
  EXPECT_TRUE(child.readerDone());
}

TEST_F(ChildTree, TeardownEndsTheWholeTree) {
  auto child = std::make_unique<ChildProcess>();
  startTree(*child);
  auto start = std::chrono::steady_clock::now();
  child.reset();
  EXPECT_LT(secondsSince(start), test::teardownHangSeconds);
#ifdef _WIN32
  // Closing the job ends its processes, which go within moments.
  EXPECT_TRUE(test::waitUntil([&] { return test::allGone(pids); }));
#else
  // The teardown returns once the tree is gone, not merely signalled.
  EXPECT_TRUE(test::allGone(pids));
  EXPECT_TRUE(test::groupGone(pids.front()));
#endif
}

TEST_F(ChildTree, StartingAgainInABusySlotEndsTheOldTreeFirst) {
  ChildProcess child;
  startTree(child);
  std::string error;
  ASSERT_TRUE(child.start(test::processHelper, {"raw", "7365636f6e640a"}, "", true, error))
      << error;
#ifdef _WIN32
  EXPECT_TRUE(test::waitUntil([&] { return test::allGone(pids); }));
#else
  // The old record's teardown returned only once its tree was gone.
  EXPECT_TRUE(test::allGone(pids));
#endif
  EXPECT_TRUE(test::waitUntil([&] { return !child.running(); }));
  child.waitReader(2000);
  EXPECT_THAT(child.takeLines(), ::testing::ElementsAre("second"));
}

// Takes a copy of a child's output pipe, out of the job's reach, from the handle (descriptor)
// the child printed.
class HeldOutput {
 public:
  HeldOutput(std::uint32_t pid, const std::string& handle) {
#ifdef _WIN32
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    if (process == nullptr) return;
    auto value = static_cast<std::uintptr_t>(std::stoull(handle));
    DuplicateHandle(process, reinterpret_cast<HANDLE>(value), GetCurrentProcess(), &held_, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    CloseHandle(process);
#else
    std::string output = "/proc/" + std::to_string(pid) + "/fd/" + handle;
    held_ = open(output.c_str(), O_WRONLY | O_CLOEXEC);
#endif
  }
  ~HeldOutput() {
#ifdef _WIN32
    if (held_ != nullptr) CloseHandle(held_);
#else
    if (held_ >= 0) close(held_);
#endif
  }
  HeldOutput(const HeldOutput&) = delete;
  HeldOutput& operator=(const HeldOutput&) = delete;
#ifdef _WIN32
  bool held() const {
    return held_ != nullptr;
  }

 private:
  HANDLE held_ = nullptr;
#else
  bool held() const {
    return held_ >= 0;
  }

 private:
  int held_ = -1;
#endif
};

TEST(ChildJob, TeardownEndsAReadThatSomethingOutsideTheTreeKeepsOpen) {
  auto child = std::make_unique<ChildProcess>();
  std::string error;
  ASSERT_TRUE(child->start(test::processHelper, {"hold"}, "", true, error)) << error;
  std::vector<std::string> lines;
  ASSERT_TRUE(test::waitUntil([&] {
    lines = child->takeLines();
    return !lines.empty();
  }));
  ASSERT_EQ(lines.front().rfind("handle ", 0), 0u) << lines.front();
  HeldOutput held(child->processId(), lines.front().substr(7));
  ASSERT_TRUE(held.held());
  auto start = std::chrono::steady_clock::now();
  // On a thread of its own, so that a teardown stuck on the read fails the test, not hangs it
  // (the stuck record is then left behind on purpose).
  auto done = std::make_shared<std::atomic<bool>>(false);
  std::thread teardown([&child, done] {
    child.reset();
    done->store(true);
  });
  bool ended = test::waitUntil([&] { return done->load(); }, 5000);
  EXPECT_TRUE(ended) << "teardown is stuck on a read that never ends";
  if (!ended) {
    teardown.detach();
    return;
  }
  teardown.join();
  EXPECT_LT(secondsSince(start), test::teardownHangSeconds);
}

TEST(ChildJob, TeardownLetsGoOfAReadItCannotEnd) {
#ifndef _WIN32
  GTEST_SKIP() << "a blocked read that no cancel ends is a Windows road; Linux wakes its reader "
                  "through a descriptor of its own";
#else
  // The pipe kept open from outside the tree, and a system that would not cancel the read:
  // the teardown gives up on the reader after its bound instead of waiting for ever.
  test::PlantedFault cancelIgnored(process_faults::setReadCancelIgnored);
  auto child = std::make_shared<ChildProcess>();
  std::string error;
  ASSERT_TRUE(child->start(test::processHelper, {"hold"}, "", true, error)) << error;
  std::vector<std::string> lines;
  ASSERT_TRUE(test::waitUntil([&] {
    lines = child->takeLines();
    return !lines.empty();
  }));
  ASSERT_EQ(lines.front().rfind("handle ", 0), 0u) << lines.front();
  auto held = std::make_unique<HeldOutput>(child->processId(), lines.front().substr(7));
  ASSERT_TRUE(held->held());
  auto done = std::make_shared<std::atomic<bool>>(false);
  // The teardown runs on a thread of its own, so that a stuck one fails the test, not hangs it.
  std::thread teardown([child = std::move(child), done]() mutable {
    child.reset();
    done->store(true);
  });
  const bool ended = test::waitUntil([&] { return done->load(); }, 15000);
  EXPECT_TRUE(ended) << "teardown waits without a bound for a read that never ends";
  // The last writer goes: a reader that was let go ends and closes the pipe on its own.
  held.reset();
  if (!ended) {
    teardown.detach();
    return;
  }
  teardown.join();
#endif
}

TEST(ChildJob, TeardownEndsADeepChainOfSessions) {
#ifdef _WIN32
  GTEST_SKIP() << "sessions are POSIX; a Windows job holds every descendant however deep";
#else
  // Each link left for a session of its own, so only the job's view of its descendants,
  // not the program's group or session, reaches them: its control group where the system
  // gives it one, and the walk of /proc where it does not.
  for (const bool groups : {true, false}) {
    SCOPED_TRACE(groups ? "control group" : "walk of /proc");
    setJobCgroupsOff(!groups);
    constexpr int chainLength = 600;
    test::TempFolder folder;
    std::string pidFile = folder.file("pids");
    auto child = std::make_unique<ChildProcess>();
    std::string error;
    ASSERT_TRUE(child->start(SCF_PROCESS_CHAIN_HELPER, {std::to_string(chainLength), pidFile}, "",
                             true, error))
        << error;
    ASSERT_TRUE(test::waitUntil([&] { return std::filesystem::exists(pidFile); }, 120000));
    std::vector<int> pids = test::readTreePids(pidFile);
    ASSERT_EQ(pids.size(), static_cast<std::size_t>(chainLength));
    ASSERT_NE(getsid(pids.back()), getsid(pids.front()));
    auto start = std::chrono::steady_clock::now();
    child.reset();
    EXPECT_LT(secondsSince(start), test::teardownHangSeconds);
    // Looked at the moment the teardown returns: a link still alive then is one it left.
    int left = 0;
    for (int pid : pids) {
      if (test::processGone(pid)) continue;
      ++left;
      ::kill(pid, SIGKILL);
    }
    EXPECT_EQ(left, 0) << "links of the chain outlived the teardown";
  }
  setJobCgroupsOff(false);
#endif
}

TEST(ChildJob, KillEndsWhatTheProgramLeftBehindAfterItEnded) {
  test::TempFolder folder;
  std::string pidFile = folder.file("daemon");
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start(test::processHelper, {"leave", pidFile}, "", true, error)) << error;
  ASSERT_TRUE(test::waitUntil([&] { return !child.running(); }));
  std::vector<int> daemon = test::readTreePids(pidFile);
  ASSERT_EQ(daemon.size(), 1u);
  ASSERT_FALSE(test::processGone(daemon[0]));
  child.kill();
  EXPECT_TRUE(test::waitUntil([&] { return test::processGone(daemon[0]); }))
      << "kill() left the job's daemon running";
  // The program ended by itself before the kill: its own code stays.
  EXPECT_EQ(child.exitCode(), 4);
  child.waitReader(2000);
  EXPECT_TRUE(child.readerDone());
}

#ifdef _WIN32
// A parent job may forbid joining another: the tree is then ended by walking the process list.
TEST_F(ChildTree, WithoutItsJobTheTreeStillEndsOnKillAndTeardown) {
  for (const bool byKill : {true, false}) {
    SCOPED_TRACE(byKill ? "kill" : "teardown");
    std::filesystem::remove(utf8Path(pidFile));
    test::PlantedFault noJob(process_faults::setJobAssignmentFails);
    auto child = std::make_unique<ChildProcess>();
    startTree(*child);
    if (byKill) {
      child->kill();
      EXPECT_TRUE(test::waitUntil([&] { return !child->running(); }));
      EXPECT_EQ(child->exitCode(), 1);
    } else {
      child.reset();
    }
    const bool gone = test::waitUntil([&] { return test::allGone(pids); });
    EXPECT_TRUE(gone) << "processes of the tree outlived the " << (byKill ? "kill" : "teardown");
    for (int pid : pids)
      test::endProcess(pid);
  }
}
#endif

TEST(ChildJob, OutlivesTheThreadThatStartedIt) {
  // The holder's parent-death signal also fires when only the starting thread ends.
  ChildProcess child;
  std::thread starter([&] {
    std::string error;
    EXPECT_TRUE(child.start(test::processHelper, {"sleep", "30"}, "", true, error)) << error;
  });
  starter.join();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(child.running());
  child.kill();
  EXPECT_TRUE(test::waitUntil([&] { return !child.running(); }));
  EXPECT_EQ(child.exitCode(), 1);
}

TEST_F(ChildTree, NothingOfTheTreeOutlivesTheKilledLauncher) {
  // The stand-in launcher starts the tree captured; it is itself started without capture, so
  // in no job of ours, and killed as hard as the system allows (SIGKILL, TerminateProcess).
  ChildProcess launcher;
  ChildCommand tree = treeCommand(pidFile);
  std::vector<std::string> arguments = {tree.program};
  arguments.insert(arguments.end(), tree.arguments.begin(), tree.arguments.end());
  std::string error;
  ASSERT_TRUE(launcher.start(SCF_LAUNCHER_DEATH_HELPER, arguments, "", false, error)) << error;
  pids = test::readTreePids(pidFile, 20000);
  ASSERT_EQ(pids.size(), treeSize);
  EXPECT_FALSE(test::allGone(pids));
  launcher.kill();
  ASSERT_TRUE(test::waitUntil([&] { return !launcher.running(); }));
  bool gone = test::waitUntil([&] { return test::allGone(pids); }, 3000);
  EXPECT_TRUE(gone) << "the tree outlived its launcher";
  for (int pid : pids)
    test::endProcess(pid);
}

#ifndef _WIN32
// The stand-in launcher, started with a tag in its environment that every process it starts
// inherits, so whatever is left of its tree can be found once it is gone.
class StandInLauncher {
 public:
  StandInLauncher(const std::string& pidFile, const std::string& tag) : tag_(tag) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char*> environment;
    for (char** variable = environ; *variable != nullptr; ++variable)
      environment.push_back(*variable);
    environment.push_back(tag_.data());
    environment.push_back(nullptr);
    const char* helper = SCF_LAUNCHER_DEATH_HELPER;
    std::string script = treeScript;
    std::string file = pidFile;
    std::string shell = "/bin/sh";
    std::vector<char*> argv = {const_cast<char*>(helper), shell.data(), script.data(), file.data(),
                               nullptr};
    if (posix_spawn(&pid_, helper, &actions, nullptr, argv.data(), environment.data()) != 0) {
      pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    output_ = out[0];
  }
  ~StandInLauncher() {
    killNow();
    if (output_ >= 0) close(output_);
    // Whatever a failed check left running would hold the test's output open.
    for (int pid : tagged())
      ::kill(pid, SIGKILL);
  }

  bool started() const { return pid_ > 0; }
  // Waits for its "starting" line: start() is about to run.
  bool starting() {
    pollfd readable{output_, POLLIN, 0};
    char byte = 0;
    return poll(&readable, 1, 10000) == 1 && read(output_, &byte, 1) == 1;
  }
  void killNow() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // Living processes (zombies aside) whose environment holds the tag.
  std::vector<int> tagged() const {
    std::vector<int> found;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
      std::string name = entry.path().filename().string();
      if (name.find_first_not_of("0123456789") != std::string::npos) continue;
      std::ifstream in(entry.path() / "environ", std::ios::binary);
      bool hasTag = false;
      for (std::string variable; std::getline(in, variable, '\0');)
        hasTag = hasTag || variable == tag_;
      if (hasTag && !test::processGone(std::stoi(name))) found.push_back(std::stoi(name));
    }
    return found;
  }

 private:
  std::string tag_;
  pid_t pid_ = -1;
  int output_ = -1;
};

std::string uniqueTag(const std::string& what) {
  return "SCF_PROCESS_TEST_TAG=" + what + "-" + std::to_string(getpid()) + "-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
}

#endif

TEST_F(ChildTree, NothingOfTheTreeOutlivesAKilledLauncher) {
#ifdef _WIN32
  GTEST_SKIP() << "finds the tree by a tag in /proc/*/environ; "
                  "ChildTree.NothingOfTheTreeOutlivesTheKilledLauncher checks Windows";
#else
  StandInLauncher launcher(pidFile, uniqueTag("ready"));
  ASSERT_TRUE(launcher.started());
  pids = test::readTreePids(pidFile);
  ASSERT_EQ(pids.size(), treeSize);
  // The tag finds the helper, its job holder and the whole tree.
  ASSERT_GE(launcher.tagged().size(), treeSize + 2);
  launcher.killNow();
  std::this_thread::sleep_for(std::chrono::seconds(1));
  EXPECT_TRUE(test::groupGone(pids.front()));
  for (int pid : pids)
    EXPECT_TRUE(test::processGone(pid)) << "pid " << pid << " survived";
  EXPECT_THAT(launcher.tagged(), ::testing::IsEmpty());
#endif
}

TEST(ChildJob, NothingOutlivesALauncherKilledWhileStarting) {
#ifdef _WIN32
  GTEST_SKIP() << "finds the tree through /proc; on Windows a launcher killed between "
                  "CreateProcessW and AssignProcessToJobObject leaves its suspended child";
#else
  // From before the holder exists to the tree forming: each moment leaves the start half
  // done in another way.
  const int delaysMicroseconds[] = {0, 50, 100, 200, 400, 700, 1000, 2000, 4000, 8000, 16000};
  for (int delay : delaysMicroseconds) {
    SCOPED_TRACE("killed " + std::to_string(delay) + " us after it began starting");
    test::TempFolder folder;
    StandInLauncher launcher(folder.file("pids"), uniqueTag(std::to_string(delay)));
    ASSERT_TRUE(launcher.started());
    ASSERT_TRUE(launcher.starting());
    std::this_thread::sleep_for(std::chrono::microseconds(delay));
    launcher.killNow();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_THAT(launcher.tagged(), ::testing::IsEmpty());
  }
#endif
}

}  // namespace
}  // namespace scf
