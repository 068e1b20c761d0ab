#include <gtest/gtest.h>

#ifndef _WIN32
#include <dirent.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "platform/last_error.h"
#include "process_test_support.h"

namespace scf {
namespace {

bool ended(ChildProcess& child) {
  return test::waitUntil([&] { return !child.running(); });
}

TEST(ChildExitCode, ReportsTheCodeTheProgramLeftWith) {
  struct Case {
    std::string code;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"0", 0},
      {"3", 3},
      {"255", 255},
#ifdef _WIN32
      // Windows keeps all 32 bits; callers print the code as a signed number.
      {"256", 256},
      {"3221225477", -1073741819},  // an access violation
#endif
  };
  for (bool capture : {true, false}) {
    for (const Case& c : cases) {
      ChildProcess child;
      std::string error;
      ASSERT_TRUE(child.start(test::processHelper, {"exit", c.code}, "", capture, error)) << error;
      ASSERT_TRUE(ended(child)) << c.code;
      EXPECT_EQ(child.exitCode(), c.expected) << c.code << (capture ? " captured" : "");
    }
  }
}

TEST(ChildExitCode, ReportsDeathBySignal) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no signals";
#else
  struct Case {
    std::string script;
    int code;
  };
  const Case cases[] = {
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
#endif
}

TEST(ChildExitCode, IsMinusOneWhileRunningAndOneAfterKill) {
  for (bool capture : {true, false}) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(test::processHelper, {"sleep", "30"}, "", capture, error)) << error;
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
  std::ofstream(folder.path / "not-executable.exe") << "#!/bin/sh\n";
  struct Case {
    std::string program;
    std::string workingFolder;
    std::string message;
  };
#ifdef _WIN32
  // The texts are whatever the system says for these codes (wine words them its own way).
  const Case cases[] = {
      {folder.file("missing-program.exe"), "", errorText(ERROR_FILE_NOT_FOUND)},
      {folder.file("not-executable.exe"), "", errorText(ERROR_BAD_EXE_FORMAT)},
      {test::processHelper, folder.file("missing-folder"), errorText(ERROR_DIRECTORY)},
  };
#else
  const Case cases[] = {
      {folder.file("missing-program"), "", "No such file or directory"},
      {folder.file("not-executable.exe"), "", "Permission denied"},
      {"/bin/true", folder.file("missing-folder"), "No such file or directory"},
  };
#endif
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

TEST(ChildStart, PassesProgramFolderAndArgumentsExactly) {
  // A program and a working folder whose names need quoting and are not ASCII, and arguments
  // that the command line of Windows must quote and escape.
  test::TempFolder folder;
  std::filesystem::path place = folder.path / utf8Path("dossier été \xe6\x97\xa5");
  std::filesystem::create_directories(place);
  std::filesystem::path program =
      place / utf8Path(std::string("helper copy") +
                       std::filesystem::path(test::processHelper).extension().string());
  std::filesystem::copy_file(test::processHelper, program);
  const std::vector<std::string> arguments = {
      "a b",   "",       "\"q\"", "C:\\dir with space\\",     "tab\there",
      "end\\", "x\\\"y", "é à ü", "\xe6\x97\xa5\xe6\x9c\xac", "😀",
      "plain",
  };
  std::vector<std::string> withMode = {"args"};
  withMode.insert(withMode.end(), arguments.begin(), arguments.end());
  auto lines = test::capturedLines(utf8String(program), withMode, utf8String(place));
  ASSERT_EQ(lines.size(), arguments.size() + 1) << ::testing::PrintToString(lines);
  EXPECT_TRUE(std::filesystem::equivalent(utf8Path(lines[0]), place)) << lines[0];
  for (std::size_t index = 0; index < arguments.size(); ++index)
    EXPECT_EQ(lines[index + 1], arguments[index]);
}

TEST(ChildStart, RunsInAWorkingFolderPastTheOldPathLimit) {
  // Past MAX_PATH (260) characters, which a working folder of CreateProcessW may not reach
  // whatever the manifest says; the program must still run in it, captured or not.
  test::TempFolder folder;
  std::filesystem::path place = folder.path;
  while (utf8String(place).size() < 300)
    place /= utf8Path("un dossier au nom assez long, été");
  std::filesystem::create_directories(place);
  for (const bool capture : {true, false}) {
    SCOPED_TRACE(capture ? "captured" : "not captured");
    const std::string seen = utf8String(place / "seen.txt");
    std::filesystem::remove(utf8Path(seen));
    std::vector<std::string> lines;
    if (capture) {
      lines = test::capturedLines(test::processHelper, {"args"}, utf8String(place));
    } else {
      ChildProcess child;
      std::string error;
      ASSERT_TRUE(child.start(test::processHelper, {"cwd-file", "seen.txt"}, utf8String(place),
                              false, error))
          << error;
      ASSERT_TRUE(ended(child));
      lines = {testing::readFile(seen)};
    }
    ASSERT_FALSE(lines.empty());
    std::error_code error;
    EXPECT_TRUE(std::filesystem::equivalent(utf8Path(lines[0]), place, error)) << lines[0];
  }
}

#ifndef _WIN32
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

#endif

// Open descriptors (handles on Windows) of this process.
int openDescriptors() {
#ifdef _WIN32
  DWORD count = 0;
  GetProcessHandleCount(GetCurrentProcess(), &count);
  return static_cast<int>(count);
#else
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  while (dir != nullptr && readdir(dir) != nullptr)
    ++count;
  if (dir != nullptr) closedir(dir);
  return count;
#endif
}

TEST(ChildStart, LeavesNoDescriptorOrHelperBehind) {
  int descriptors = openDescriptors();
#ifndef _WIN32
  int children = childCount();
#endif
  for (int round = 0; round < 5; ++round) {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(test::processHelper, {"count", "1"}, "", true, error)) << error;
    EXPECT_FALSE(child.start("/nonexistent/program", {}, "", true, error));
    ASSERT_TRUE(child.start(test::processHelper, {"sleep", "30"}, "", true, error)) << error;
    ASSERT_TRUE(child.start(test::processHelper, {"exit", "0"}, "", false, error)) << error;
    ASSERT_TRUE(ended(child));
  }
  EXPECT_EQ(openDescriptors(), descriptors);
#ifndef _WIN32
  // Every job holder was reaped, none is left even as a zombie.
  EXPECT_EQ(childCount(), children);
#endif
}

TEST(ChildAskToClose, SendsTheCloseRequest) {
  // A window may appear well after the program starts (under wine about 0.8 s later), so the
  // request is repeated until the program ends, as the launcher's callers do.
  for (bool capture : {true, false}) {
    SCOPED_TRACE(capture ? "captured" : "uncaptured");
    ChildProcess child;
    std::string error;
    test::TempFolder folder;
    std::string ready = folder.file("ready");
    ASSERT_TRUE(child.start(test::processHelper, {"window", "7", ready}, "", capture, error))
        << error;
    ASSERT_TRUE(test::waitUntil([&] { return testing::exists(ready) || !child.running(); }, 20000));
    ASSERT_TRUE(child.running()) << "the window program ended with " << child.exitCode();
    ASSERT_TRUE(test::waitUntil(
        [&] {
          child.askToClose();
          return !child.running();
        },
        20000));
    EXPECT_EQ(child.exitCode(), 7);
  }
}

TEST(ChildAskToClose, IsOnlyARequest) {
  ChildProcess child;
  std::string error;
  ASSERT_TRUE(child.start(test::processHelper, {"stubborn"}, "", true, error)) << error;
  ASSERT_TRUE(test::waitUntil([&] { return !child.takeLines().empty(); }, 20000));
  // Its window (if any yet) refuses; the program goes on until it is killed.
  EXPECT_FALSE(test::waitUntil(
      [&] {
        child.askToClose();
        return !child.running();
      },
      1500));
  child.kill();
  ASSERT_TRUE(ended(child));
  EXPECT_EQ(child.exitCode(), 1);
}

TEST(ChildAskToClose, ReachesTheProgramAloneNotTheRestOfItsGroup) {
#ifdef _WIN32
  GTEST_SKIP() << "process groups and SIGTERM are POSIX; on Windows the request goes to the "
                  "program's own windows only";
#else
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
#endif
}

#ifndef _WIN32
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

#endif

TEST(UncapturedChild, InheritsNoDescriptorAndHasItsStandardStreamsOnTheNullDevice) {
#ifdef _WIN32
  GTEST_SKIP() << "reads /proc; on Windows the game is started with handle inheritance off";
#else
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
  // Right after exec the dynamic loader briefly holds the libraries it maps open; an inherited
  // descriptor stays for good, so the listing is read until it settles, within a bound.
  std::map<int, std::string> descriptors;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  do {
    descriptors = descriptorsOf(static_cast<int>(child.processId()));
    if (descriptors == expected) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  } while (std::chrono::steady_clock::now() < deadline);
  EXPECT_EQ(descriptors, expected);
  child.kill();
  EXPECT_TRUE(ended(child));
#endif
}

TEST(UncapturedChild, OutlivesItsRecordInItsOwnSession) {
  int pid = 0;
  {
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start(test::processHelper, {"sleep", "30"}, "", false, error)) << error;
    pid = static_cast<int>(child.processId());
#ifndef _WIN32
    EXPECT_EQ(getsid(pid), pid);
#endif
  }
  EXPECT_FALSE(test::processGone(pid)) << "the uncaptured child ended with its record";
  test::endProcess(pid);
#ifndef _WIN32
  waitpid(pid, nullptr, 0);
#endif
}

TEST(UncapturedChild, LeavesNoZombieWhenItEndsAfterItsRecord) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows leaves no zombie: an ended process goes with its last handle";
#else
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
#endif
}

}  // namespace
}  // namespace scf
