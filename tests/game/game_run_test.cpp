// Starting the built game and reading its end, with the stand-in game (helpers/stand_in_game.cpp)
// in its place: it exits with the code and leaves the crash reports each case needs.

#include "game/game_run.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <ostream>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/app.h"
#include "app/game_launch.h"
#include "game/game_failure.h"
#include "game_release.h"
#include "platform/file_list.h"
#include "platform/utf8_path.h"
#include "release/rebuild_check.h"
#include "release/tr.h"
#include "stand_in_game.h"
#include "support/test_support.h"

namespace scf {
namespace {

using testing::GameRelease;
using testing::nativePath;
using testing::playToEnd;
using testing::readFile;
using testing::TempFolder;

// What the stand-in game's "args" command wrote, its working folder as the system spells it.
std::string seenWithNativeFolder(const std::string& text) {
  const std::size_t end = text.find('\n');
  if (end == std::string::npos) return text;
  return nativePath(text.substr(0, end)) + text.substr(end);
}

// Sets a file's last-write time: whole seconds since 1970 plus a few nanoseconds (rounded to the
// system's step, 100 ns on Windows).
bool setWriteTime(const std::string& path, std::int64_t seconds, long nanoseconds = 0) {
  const auto when = std::chrono::system_clock::time_point(
      std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::seconds(seconds) + std::chrono::nanoseconds(nanoseconds)));
  std::error_code error;
  std::filesystem::last_write_time(utf8Path(path), std::chrono::file_clock::from_sys(when), error);
  return !error;
}

// The stand-in game in place of the built game, with these commands.
void standIn(const App& app, const std::vector<std::string>& commands) {
  ASSERT_TRUE(testing::standInGame(app.layout.gameExe, commands));
}

class GameRunTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(temp.path().empty()); }
  void TearDown() override {
    // The game outlives its slot by design; a test never leaves one behind.
    if (app.game.gameRunning) app.game.process.kill();
  }

  std::string crash(const std::string& name) const { return app.layout.crashesDir + "/" + name; }

  TempFolder temp;
  App app;
  GameRelease release{app, temp.path()};
};

// Each game's end, and what the launcher makes of it: the stand-in game's commands, where "C"
// stands for the crash folder; old.txt is there before every launch.
struct EndCase {
  const char* name;
  std::vector<std::string> commands;
  int exitCode;
  const char* report;  // the report shown, by name; empty for none
  bool closedUnexpectedly;
};

void PrintTo(const EndCase& c, std::ostream* os) {
  *os << c.name;
}

const std::vector<EndCase> kEndCases = {
    {"NormalEnd", {"exit\t0"}, 0, "", false},
    {"NonZeroCodeWithoutReport", {"exit\t3"}, 3, "", true},
    {"CrashWithNewReport", {"write\tC/new.txt\tcrash", "exit\t3"}, 3, "new.txt", false},
    {"ReportNamedInCapitals", {"write\tC/CRASH.TXT\tcrash", "exit\t3"}, 3, "CRASH.TXT", false},
    {"NewReportWinsOverCodeZero", {"write\tC/new.txt\tcrash", "exit\t0"}, 0, "new.txt", false},
    {"RewrittenOldReportIsNotNew",
     {"write\tC/old.txt\tagain", "time\tC/old.txt\t4000000000", "exit\t3"},
     3,
     "",
     true},
    {"OldReportNeverBeatsANewOne",
     {"time\tC/old.txt\t4000000000", "write\tC/new.txt\tcrash", "exit\t3"},
     3,
     "new.txt",
     false},
    {"NewerOfTwoNewReports",
     {"write\tC/a.txt\ta", "write\tC/b.txt\tb", "time\tC/a.txt\t2000000000",
      "time\tC/b.txt\t1000000000", "exit\t3"},
     3,
     "a.txt",
     false},
    {"NewerOfTwoNewReportsListedLater",
     {"write\tC/a.txt\ta", "write\tC/b.txt\tb", "time\tC/a.txt\t1000000000",
      "time\tC/b.txt\t2000000000", "exit\t3"},
     3,
     "b.txt",
     false},
    {"OtherFilesAndFoldersIgnored",
     {"write\tC/crash.log\tlog", "mkdir\tC/dump.txt", "write\tC/dump.txt/inner.txt\tx", "exit\t0"},
     0,
     "",
     false},
    {"DeathBySignal", {"kill"}, 128 + 9, "", true},
    {"OnlyNewReportHasTimeZero",
     {"write\tC/zero.txt\tcrash", "time\tC/zero.txt\t0", "exit\t0"},
     0,
     "zero.txt",
     false},
};

// The case's commands with "C/" the crash folder, through the game's own environment.
std::vector<std::string> inCrashFolder(const std::vector<std::string>& commands) {
  std::vector<std::string> result;
  for (std::string command : commands) {
    for (std::size_t at = command.find("\tC/"); at != std::string::npos;
         at = command.find("\tC/", at + 1))
      command.replace(at + 1, 1, "${ZA2D_USER_DIR}/crashes");
    result.push_back(command);
  }
  return result;
}

class GameEnd : public GameRunTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(GameEnd, OutcomeRecorded) {
  const EndCase& c = GetParam();
#ifdef _WIN32
  if (std::string(c.name) == "DeathBySignal") GTEST_SKIP() << "Windows programs have no signals";
#endif
  release.report("old.txt");
  standIn(app, inCrashFolder(c.commands));
  launchGame(app);
  ASSERT_EQ(app.game.startError, "");
  ASSERT_TRUE(app.game.gameRunning);
  ASSERT_TRUE(playToEnd(app));

  EXPECT_EQ(app.game.gameExitCode, c.exitCode);
  EXPECT_EQ(nativePath(app.game.crashReport), *c.report ? nativePath(crash(c.report)) : "");
  EXPECT_EQ(app.game.closedUnexpectedly, c.closedUnexpectedly);
  EXPECT_EQ(app.game.startError, "");
  EXPECT_FALSE(app.game.windowHiddenForGame);
  EXPECT_EQ(gameFailureShown(app.game), *c.report || c.closedUnexpectedly);
  if (!*c.report && c.closedUnexpectedly) {
    EXPECT_EQ(gameFailureDetail(app.game), "exit code " + std::to_string(c.exitCode));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, GameEnd, ::testing::ValuesIn(kEndCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(GameRunTest, StartsTheGameInItsFolderWithItsArgumentsAndHidesTheWindow) {
  const std::string seen = temp.path() + "/seen";
  standIn(app, {"args\t" + seen, "exit\t0"});
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning) << app.game.startError;
  EXPECT_TRUE(app.game.windowHiddenForGame);
  EXPECT_NE(app.game.process.processId(), 0u);
  ASSERT_TRUE(playToEnd(app));
  EXPECT_FALSE(app.game.windowHiddenForGame);
  EXPECT_EQ(seenWithNativeFolder(readFile(seen)), nativePath(app.layout.gameDir) + "\n--elf\n" +
                                                      app.layout.bootFile + "\n--iso\n" +
                                                      app.layout.discIso + "\n");
}

// Records what the run asks of the window that hosts it.
struct RecordingHost : GameHost {
  std::string calls;
  void hideWindow() override { calls += "hide "; }
  void showWindow() override { calls += "show "; }
};

TEST_F(GameRunTest, TheHostHidesTheWindowForTheGameAndShowsItOnceAfter) {
  standIn(app, {"exit\t0"});
  RecordingHost host;
  app.game.launch(app.layout, host);
  ASSERT_TRUE(app.game.gameRunning) << app.game.startError;
  EXPECT_EQ(host.calls, "hide ");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  bool ended = false;
  while (!ended && std::chrono::steady_clock::now() < deadline) {
    ended = app.game.finish(app.layout, host);
    if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(ended);
  EXPECT_EQ(host.calls, "hide show ");
  EXPECT_FALSE(app.game.finish(app.layout, host)) << "an end is reported once";
  EXPECT_EQ(host.calls, "hide show ");
}

TEST_F(GameRunTest, FinishWaitsForTheGameToEnd) {
  const std::string go = temp.path() + "/go";
  standIn(app, {"wait\t" + go, "exit\t5"});
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning);
  for (int i = 0; i < 5; ++i)
    finishGame(app);
  EXPECT_TRUE(app.game.gameRunning);
  EXPECT_TRUE(app.game.windowHiddenForGame);
  EXPECT_EQ(app.game.gameExitCode, 0);

  testing::writeFile(go, "");
  ASSERT_TRUE(playToEnd(app));
  EXPECT_EQ(app.game.gameExitCode, 5);
  EXPECT_TRUE(app.game.closedUnexpectedly);
}

// A report written while the game runs with the same time as another: the later listed wins.
TEST_F(GameRunTest, EqualTimesPickTheLaterListed) {
  const std::string go = temp.path() + "/go";
  standIn(app, {"wait\t" + go, "exit\t3"});
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning);
  for (const char* name : {"first.txt", "second.txt", "third.txt"}) {
    release.report(name);
    ASSERT_TRUE(setWriteTime(crash(name), 1500000000, 250));
  }
  testing::writeFile(go, "");
  ASSERT_TRUE(playToEnd(app));

  const std::vector<FileEntry> listing = listFiles(app.layout.crashesDir, ".txt");
  ASSERT_EQ(listing.size(), 3u);
  EXPECT_EQ(app.game.crashReport, listing.back().path);
}

TEST_F(GameRunTest, LaunchClearsTheLastOutcome) {
  standIn(app, {"exit\t0"});
  app.game.crashReport = "/old/report.txt";
  app.game.startError = "old error";
  app.game.closedUnexpectedly = true;
  app.game.gameExitCode = 7;
  app.build.statusText = "Ready to play";
  launchGame(app);
  EXPECT_EQ(app.game.crashReport, "");
  EXPECT_EQ(app.game.startError, "");
  EXPECT_FALSE(app.game.closedUnexpectedly);
  EXPECT_EQ(app.build.statusText, "");
  ASSERT_TRUE(playToEnd(app));
  EXPECT_EQ(app.game.gameExitCode, 0);
  EXPECT_FALSE(gameFailureShown(app.game));
}

// A game that cannot be started: the message is kept, the window stays, nothing runs.
struct StartFailureCase {
  const char* name;
  const char* content;
  mode_t mode;
  const char* message;
};

void PrintTo(const StartFailureCase& c, std::ostream* os) {
  *os << c.name;
}

const StartFailureCase kStartFailures[] = {
    {"NotExecutable", "#!/bin/sh\nexit 0\n", 0644, "Permission denied"},
    {"MissingInterpreter", "#!/no/such/interpreter\n", 0755, "No such file or directory"},
    {"NotAProgram",
     "\x7f"
     "ELF garbage",
     0755, "Exec format error"},
};

class GameStartFailure : public GameRunTest,
                         public ::testing::WithParamInterface<StartFailureCase> {};

TEST_P(GameStartFailure, MessageShownWindowKept) {
#ifdef _WIN32
  GTEST_SKIP() << "these are POSIX start failures (file modes, \"#!\" interpreters, ELF "
                  "headers) and their system texts";
#endif
  const StartFailureCase& c = GetParam();
  testing::writeFile(app.layout.gameExe, c.content);
#ifndef _WIN32
  ::chmod(app.layout.gameExe.c_str(), c.mode);
#endif
  app.game.gameExitCode = 4;
  launchGame(app);
  EXPECT_EQ(app.game.startError, c.message);
  EXPECT_FALSE(app.game.gameRunning);
  EXPECT_FALSE(app.game.windowHiddenForGame);
  EXPECT_TRUE(gameFailureShown(app.game));
  uiFrench = false;
  EXPECT_EQ(gameFailureTitle(app.game), "The game could not start.");
  EXPECT_EQ(gameFailureDetail(app.game), c.message);
}

INSTANTIATE_TEST_SUITE_P(Cases, GameStartFailure, ::testing::ValuesIn(kStartFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Play does nothing while a build runs, while the game runs, or when the game is not built.
TEST_F(GameRunTest, LaunchRefusedWhileBuildingOrNotBuilt) {
  const std::string ran = temp.path() + "/ran";
  standIn(app, {"write\t" + ran + "\tran"});
  struct Case {
    const char* name;
    bool building;
    const char* removed;  // a file of the built game taken away
  };
  const Case cases[] = {
      {"building", true, ""},
      {"no game executable", false, "gameExe"},
      {"no boot file", false, "bootFile"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    App other;
    other.layout = app.layout;
    other.build.building = c.building;
    other.game.crashReport = "/kept/report.txt";
    const std::string removed = std::string(c.removed) == "gameExe"    ? app.layout.gameExe
                                : std::string(c.removed) == "bootFile" ? app.layout.bootFile
                                                                       : "";
    const std::string moved = removed + ".away";
    if (!removed.empty()) std::filesystem::rename(removed, moved);
    EXPECT_EQ(gameIsBuilt(other.layout), removed.empty());

    launchGame(other);
    EXPECT_FALSE(other.game.gameRunning);
    EXPECT_FALSE(other.game.windowHiddenForGame);
    EXPECT_EQ(other.game.crashReport, "/kept/report.txt");
    EXPECT_EQ(other.game.startError, "");
    if (!removed.empty()) std::filesystem::rename(moved, removed);
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(testing::exists(ran));
}

TEST_F(GameRunTest, SecondLaunchWhileRunningIsIgnored) {
  const std::string go = temp.path() + "/go";
  standIn(app, {"wait\t" + go, "exit\t0"});
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning);
  const std::uint32_t first = app.game.process.processId();
  launchGame(app);
  EXPECT_EQ(app.game.process.processId(), first);
  EXPECT_TRUE(app.game.process.running());
  testing::writeFile(go, "");
  ASSERT_TRUE(playToEnd(app));
  EXPECT_EQ(app.game.gameExitCode, 0);
}

TEST_F(GameRunTest, MissingCrashFolderGoesByTheExitCode) {
  standIn(app, {"exit\t3"});
  std::filesystem::remove_all(app.layout.crashesDir);
  launchGame(app);
  ASSERT_TRUE(playToEnd(app));
  EXPECT_EQ(app.game.crashReport, "");
  EXPECT_TRUE(app.game.closedUnexpectedly);
}

// Folders with spaces and non-ASCII letters reach the game and come back as the report's path.
TEST(GameRunPaths, SpacesAndAccentsInReleaseAndUserFolders) {
  TempFolder temp;
  App app;
  GameRelease release(app, temp.path(), "réle ase ü", "us er é");
  const std::string seen = temp.path() + "/seen";
  standIn(app,
          {"args\t" + seen, "write\t${ZA2D_USER_DIR}/crashes/rapport é.txt\tcrash", "exit\t3"});
  testing::writeFile(app.layout.crashesDir + "/vieux ü.txt", "old");
  launchGame(app);
  ASSERT_TRUE(app.game.gameRunning) << app.game.startError;
  ASSERT_TRUE(playToEnd(app));
  EXPECT_EQ(seenWithNativeFolder(readFile(seen)), nativePath(app.layout.gameDir) + "\n--elf\n" +
                                                      app.layout.bootFile + "\n--iso\n" +
                                                      app.layout.discIso + "\n");
  EXPECT_NE(app.layout.gameDir.find("réle ase ü"), std::string::npos);
  EXPECT_EQ(nativePath(app.game.crashReport),
            nativePath(temp.path() + "/us er é/crashes/rapport é.txt"));
  EXPECT_EQ(gameFailureDetail(app.game), app.game.crashReport);
}

}  // namespace
}  // namespace scf
