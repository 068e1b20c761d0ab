#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "process_test_support.h"

namespace scf {
namespace {

bool ended(ChildProcess& child) {
  return test::waitUntil([&] { return !child.running(); });
}

TEST(ChildExitCode, ReportsHowTheProcessEnded) {
  struct Case {
    std::string script;
    int code;
  };
  const Case cases[] = {
      {"exit 0", 0},
      {"exit 3", 3},
      {"exit 255", 255},  // Linux keeps only 8 bits of an exit code
      {"kill -TERM $$", 128 + SIGTERM},
      {"kill -KILL $$", 128 + SIGKILL},
      {"kill -SEGV $$", 128 + SIGSEGV},
  };
  for (bool capture : {true, false}) {
    for (const Case& c : cases) {
      ChildProcess child;
      std::string error;
      ASSERT_TRUE(child.start("/bin/sh", {"-c", c.script}, "", capture, error)) << error;
      ASSERT_TRUE(ended(child)) << c.script;
      EXPECT_EQ(child.exitCode(), c.code) << c.script << (capture ? " captured" : "");
    }
  }
}

TEST(ChildExitCode, IsMinusOneWhileRunningAndOneAfterKill) {
  for (bool capture : {true, false}) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sleep", {"30"}, "", capture, error)) << error;
    EXPECT_TRUE(child.running());
    EXPECT_EQ(child.exitCode(), -1);
    EXPECT_GT(child.processId(), 0u);
    child.kill();
    ASSERT_TRUE(ended(child));
    EXPECT_EQ(child.exitCode(), 1) << (capture ? "captured" : "uncaptured");
  }
}

TEST(ChildExitCode, EmptyRecordHasNoProcess) {
  ChildProcess child;
  EXPECT_FALSE(child.running());
  EXPECT_EQ(child.exitCode(), -1);
  EXPECT_EQ(child.processId(), 0u);
  EXPECT_TRUE(child.takeLines().empty());
  child.kill();
  child.askToClose();
  child.waitReader(1000);
}

TEST(ChildStart, FailsWithTheSystemsMessage) {
  test::TempFolder folder;
  std::ofstream(folder.file("not-executable")) << "#!/bin/sh\n";
  struct Case {
    std::string program;
    std::string workingFolder;
    std::string message;
  };
  const Case cases[] = {
      {folder.file("missing-program"), "", "No such file or directory"},
      {folder.file("not-executable"), "", "Permission denied"},
      {"/bin/true", folder.file("missing-folder"), "No such file or directory"},
  };
  for (bool capture : {true, false}) {
    for (const Case& c : cases) {
      ChildProcess child;
      std::string error;
      EXPECT_FALSE(child.start(c.program, {}, c.workingFolder, capture, error));
      EXPECT_EQ(error, c.message) << c.program << (capture ? " captured" : "");
      EXPECT_FALSE(child.running());
      EXPECT_EQ(child.exitCode(), -1);
      EXPECT_EQ(child.processId(), 0u);
    }
  }
}

TEST(ChildStart, RunsInTheWorkingFolderWithTheArgumentsAsGiven) {
  test::TempFolder folder;
  auto lines = [&] {
    ChildProcess child;
    std::string error;
    std::vector<std::string> taken;
    if (!child.start("/bin/sh", {"-c", "pwd; printf '%s\\n' \"$@\"", "sh", "a b", "", "\"q\""},
                     folder.path.string(), true, error)) {
      return taken;
    }
    test::waitUntil([&] { return !child.running(); });
    child.waitReader(2000);
    return child.takeLines();
  }();
  EXPECT_EQ(lines, (std::vector<std::string>{std::filesystem::canonical(folder.path).string(),
                                             "a b", "", "\"q\""}));
}

// Children of this process, zombies included.
int childCount() {
  int count = 0;
  std::string self = std::to_string(getpid());
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    std::istringstream fields(test::procFields(std::stoi(name)));
    std::string state, parent;
    fields >> state >> parent;
    if (parent == self) ++count;
  }
  return count;
}

int openDescriptors() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir != nullptr && readdir(dir) != nullptr)
    ++count;
  if (dir != nullptr) closedir(dir);
  return count;
}

TEST(ChildStart, LeavesNoDescriptorOrHelperBehind) {
  int descriptors = openDescriptors();
  int children = childCount();
  for (int round = 0; round < 5; ++round) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sh", {"-c", "echo x"}, "", true, error)) << error;
    EXPECT_FALSE(child.start("/nonexistent/program", {}, "", true, error));
    ASSERT_TRUE(child.start("/bin/sleep", {"30"}, "", true, error)) << error;
  }
  EXPECT_EQ(openDescriptors(), descriptors);
  // Every job holder was reaped, none is left even as a zombie.
  EXPECT_EQ(childCount(), children);
}

TEST(ChildAskToClose, SendsTheCloseRequest) {
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start("/bin/sh",
                          {"-c", "trap 'exit 7' TERM; echo ready; while :; do sleep 0.05; done"},
                          "", true, error))
      << error;
  ASSERT_TRUE(test::waitUntil([&] { return !child.takeLines().empty(); }));
  child.askToClose();
  ASSERT_TRUE(test::waitUntil([&] { return !child.running(); }));
  EXPECT_EQ(child.exitCode(), 7);
}

TEST(ChildAskToClose, ReachesTheProgramAloneNotTheRestOfItsGroup) {
  // The program notes the request and ends; its background child shares its process group
  // and must not hear of it.
  const std::string script =
      "trap 'echo closed > \"$0\"; exit 7' TERM; sleep 300 & echo $! > \"$1.part\"; "
      "mv \"$1.part\" \"$1\"; while :; do sleep 0.05; done";
  for (bool capture : {true, false}) {
    SCOPED_TRACE(capture ? "captured" : "uncaptured");
    test::TempFolder folder;
    std::string marker = folder.file("closed");
    std::string siblingFile = folder.file("sibling");
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sh", {"-c", script, marker, siblingFile}, "", capture, error))
        << error;
    std::vector<int> sibling = test::readTreePids(siblingFile);
    ASSERT_EQ(sibling.size(), 1u);
    ASSERT_EQ(getpgid(sibling[0]), static_cast<pid_t>(child.processId()));
    child.askToClose();
    ASSERT_TRUE(ended(child));
    EXPECT_EQ(child.exitCode(), 7);
    std::ifstream closed(marker);
    std::string word;
    EXPECT_TRUE(closed >> word) << "the program never saw the close request";
    EXPECT_EQ(word, "closed");
    EXPECT_FALSE(test::waitUntil([&] { return test::processGone(sibling[0]); }, 300))
        << "the close request reached the program's whole group";
    ::kill(sibling[0], SIGKILL);
  }
}

// Each open descriptor of a process and what it refers to.
std::map<int, std::string> descriptorsOf(int pid) {
  std::map<int, std::string> found;
  std::error_code error;
  std::filesystem::path folder = "/proc/" + std::to_string(pid) + "/fd";
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    found[std::stoi(entry.path().filename().string())] =
        std::filesystem::read_symlink(entry.path(), error).string();
  }
  return found;
}

TEST(UncapturedChild, InheritsNoDescriptorAndHasItsStandardStreamsOnTheNullDevice) {
  // A descriptor of ours that stays open across exec: it must not reach the game either.
  int open[2] = {-1, -1};
  ASSERT_EQ(pipe(open), 0);
  ChildProcess child;
  std::string error;
  // posix_spawn returns once the program runs, so its descriptors are final.
  ASSERT_TRUE(child.start("/bin/sleep", {"30"}, "", false, error)) << error;
  close(open[0]);
  close(open[1]);
  const std::map<int, std::string> expected = {
      {0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}};
  EXPECT_EQ(descriptorsOf(static_cast<int>(child.processId())), expected);
  child.kill();
  EXPECT_TRUE(ended(child));
}

TEST(UncapturedChild, OutlivesItsRecordInItsOwnSession) {
  int pid = 0;
  {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sleep", {"30"}, "", false, error)) << error;
    pid = static_cast<int>(child.processId());
    EXPECT_EQ(getsid(pid), pid);
  }
  EXPECT_EQ(::kill(pid, 0), 0) << "the uncaptured child ended with its record";
  ::kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

TEST(UncapturedChild, LeavesNoZombieWhenItEndsAfterItsRecord) {
  test::TempFolder folder;
  std::string gate = folder.file("gate");
  int pid = 0;
  {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start("/bin/sh", {"-c", "while [ ! -e \"$0\" ]; do sleep 0.02; done", gate},
                            "", false, error))
        << error;
    pid = static_cast<int>(child.processId());
  }
  std::ofstream(gate) << "go";
  // Not even a zombie may be left once it has ended.
  EXPECT_TRUE(test::waitUntil([&] { return ::kill(pid, 0) != 0 && errno == ESRCH; }))
      << test::procFields(pid);
}

}  // namespace
}  // namespace scf
