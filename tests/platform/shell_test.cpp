#include "platform/shell.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>

#include "platform/env.h"
#include "support/test_support.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

// Polls for a condition for a long, generous while; only a broken hand-off ever waits it out.
template <typename Condition>
bool eventually(Condition condition) {
  for (int i = 0; i < 2000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return condition();
}

#ifdef _WIN32
// The shell's "open" on a command script runs it: the script marks its own folder, which it can
// only do when the exact path, spaces, accents and "&" included, reached the shell.
TEST(OpenInShell, RunsTheExactPathItIsGiven) {
  testing::TempFolder folder;
  for (const std::string& name :
       {std::string("plain.cmd"), std::string("Dossier élève/ça va & co.cmd")}) {
    const std::string script = folder / name;
    const std::string mark = script.substr(0, script.find_last_of('/')) + "/ran";
    testing::writeFile(script, "@echo off\r\necho ran> \"%~dp0ran\"\r\n");
    openInShell(script);
    EXPECT_TRUE(eventually([&] { return testing::exists(mark); })) << name;
    // Let the script's own process end before the folder goes.
    eventually([&] { return testing::readFile(mark).starts_with("ran"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  EXPECT_TRUE(shellOpensSettled(10000));
  EXPECT_FALSE(takeShellFailure());
}

TEST(OpenInShell, AFailedOpenIsReportedWithItsPath) {
  testing::TempFolder folder;
  const std::string missing = folder / "Dossier élève/absent & co.txt";
  openInShell(missing);
  ASSERT_TRUE(shellOpensSettled(30000));
  const std::optional<ShellFailure> failure = takeShellFailure();
  ASSERT_TRUE(failure);
  EXPECT_EQ(failure->target, missing);
  EXPECT_FALSE(failure->reason.empty());  // the system's words, whatever they are
  EXPECT_FALSE(takeShellFailure());
}
#else
// Fields of /proc/<pid>/stat after the command name: state, parent, group, session.
struct ProcStat {
  char state = '?';
  long parent = 0;
  long session = 0;
};

bool readProcStat(long pid, ProcStat& stat) {
  const std::string text = testing::readFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return false;
  long group = 0;
  return std::sscanf(text.c_str() + close + 1, " %c %ld %ld %ld", &stat.state, &stat.parent, &group,
                     &stat.session) == 4;
}

bool hasZombieChild() {
  for (const auto& entry : fs::directory_iterator("/proc")) {
    const std::string name = entry.path().filename().string();
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    ProcStat stat;
    if (readProcStat(std::stol(name), stat) && stat.parent == ::getpid() && stat.state == 'Z') {
      return true;
    }
  }
  return false;
}

// A recording xdg-open first on PATH: it writes its pid and argument, then waits until the test
// lets it finish.
class OpenInShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string script = folder / "bin/xdg-open";
    testing::writeFile(script, R"(#!/bin/sh
d="$(dirname "$0")/.."
echo $$ > "$d/pid.tmp" && mv "$d/pid.tmp" "$d/pid"
printf '%s' "$1" > "$d/arg.tmp" && mv "$d/arg.tmp" "$d/arg"
i=0
while [ ! -e "$d/release" ] && [ $i -lt 300 ]; do
  sleep 0.1; i=$((i+1))
done
touch "$d/done"
)");
    ::chmod(script.c_str(), 0755);
    setEnv("PATH", folder / "bin:" + getEnv("PATH"));
  }

  void TearDown() override {
    // Let a handler still waiting end now rather than outlive the test, and leave no open
    // behind for the next test to find.
    testing::writeFile(folder / "release", "");
    EXPECT_TRUE(shellOpensSettled(30000));
    eventually(
        [&] { return !testing::exists(folder / "pid") || testing::exists(folder / "done"); });
    while (takeShellFailure()) {
    }
  }

  std::string recordedArgument() {
    EXPECT_TRUE(eventually([&] { return testing::exists(folder / "arg"); }));
    return testing::readFile(folder / "arg");
  }

  testing::EnvGuard env{{"PATH"}};
  testing::TempFolder folder;
};

TEST_F(OpenInShellTest, HandsOverTheExactPathAndReturnsWhileTheHandlerRuns) {
  const std::string target = folder / "Dossier élève/ça va & « co » $HOME 'x'.txt";
  openInShell(target);

  EXPECT_EQ(recordedArgument(), target);
  // The handler is still blocked, so the call did not wait for it.
  EXPECT_FALSE(testing::exists(folder / "done"));

  const long handler = std::stol(testing::readFile(folder / "pid"));
  ProcStat stat;
  ASSERT_TRUE(readProcStat(handler, stat));
  EXPECT_NE(stat.parent, ::getpid()) << "the handler is not our child";
  EXPECT_NE(stat.session, static_cast<long>(::getsid(0))) << "the handler has its own session";

  testing::writeFile(folder / "release", "");
  EXPECT_TRUE(eventually([&] { return testing::exists(folder / "done"); }));
  EXPECT_TRUE(shellOpensSettled(30000));
  EXPECT_FALSE(hasZombieChild());
  EXPECT_FALSE(takeShellFailure()) << "the handler ended with 0";
}

TEST_F(OpenInShellTest, ReturnsAtOnceWhileTheHandOverTakesLong) {
  // The recording handler blocks until released, as a desktop starting its file manager may:
  // the call returns long before, and so does a second one behind it.
  const auto start = std::chrono::steady_clock::now();
  openInShell(folder.path());
  openInShell(folder.path());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(recordedArgument(), folder.path());
}

// What xdg-open answers, and what the launcher then reports.
TEST(OpenInShellFailure, TheOpenersAnswerIsReported) {
  struct Case {
    const char* name;
    const char* script;  // the xdg-open first on PATH; null for none at all
    const char* reason;  // empty: no failure
  };
  const Case cases[] = {
      {"taken", "#!/bin/sh\nexit 0\n", ""},
      {"no such file", "#!/bin/sh\nexit 2\n", "xdg-open ended with code 2"},
      {"no handler", "#!/bin/sh\nexit 3\n", "xdg-open ended with code 3"},
      {"no xdg-open", nullptr, "xdg-open could not be started"},
      {"killed", "#!/bin/sh\nkill -9 $$\n", "xdg-open failed"},
  };
  testing::EnvGuard env{{"PATH"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempFolder folder;
    fs::create_directories(folder / "bin");
    if (c.script != nullptr) {
      testing::writeFile(folder / "bin/xdg-open", c.script);
      ::chmod((folder / "bin/xdg-open").c_str(), 0755);
    }
    setEnv("PATH", folder / "bin");
    const std::string target = folder / "a file é.txt";
    openInShell(target);
    ASSERT_TRUE(shellOpensSettled(30000));
    const std::optional<ShellFailure> failure = takeShellFailure();
    EXPECT_EQ(failure.has_value(), *c.reason != '\0');
    if (failure) {
      EXPECT_EQ(failure->target, target);
      EXPECT_EQ(failure->reason, c.reason);
    }
  }
}

TEST_F(OpenInShellTest, WebAddressIsPassedAsItIs) {
  openInShell("https://example.org/releases/tag/v0.9.0?a=1&b=2");
  EXPECT_EQ(recordedArgument(), "https://example.org/releases/tag/v0.9.0?a=1&b=2");
}

TEST_F(OpenInShellTest, TargetStartingWithDashIsNotTakenForAnOption) {
  openInShell("--manual");
  EXPECT_EQ(recordedArgument(), "./--manual");
}

TEST_F(OpenInShellTest, AnEmptyTargetDoesNothing) {
  openInShell("");
  EXPECT_TRUE(shellOpensSettled(30000));
  EXPECT_FALSE(takeShellFailure());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(testing::exists(folder / "arg"));
}

TEST_F(OpenInShellTest, HandlerDoesNotHoldTheLaunchersDescriptors) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);  // inheritable on purpose
  openInShell(folder.path());
  EXPECT_EQ(recordedArgument(), folder.path());
  ::close(fds[1]);
  // With the write end closed everywhere, the read end sees end-of-file at once.
  pollfd readEnd{fds[0], POLLIN, 0};
  EXPECT_EQ(::poll(&readEnd, 1, 10000), 1);
  char byte = 0;
  EXPECT_EQ(::read(fds[0], &byte, 1), 0);
  ::close(fds[0]);
}
#endif

}  // namespace
}  // namespace scf
