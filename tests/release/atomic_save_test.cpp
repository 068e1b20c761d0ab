#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <thread>

#include "platform/env.h"
#include "platform/exe_path.h"
#include "platform/process.h"
#include "platform/utf8_path.h"
#include "release/launcher_settings.h"
#include "release/video_settings.h"
#include "support/test_support.h"

namespace scf {
namespace {

// The saver runs in a second copy of this test program, started through the launcher's own
// process slot so that the kill is the system's hardest (SIGKILL of the job on Linux,
// TerminateJobObject on Windows) and can land anywhere inside a save.
constexpr const char* kSaverFile = "SCF_TEST_SAVER_FILE";
constexpr const char* kSaverKind = "SCF_TEST_SAVER_KIND";

// A video.ini large enough that each save takes many write calls, so kills land mid-write.
VideoSettings videoVersion(const std::string& tag, int width) {
  VideoSettings video;
  video.width = width;
  video.height = 720;
  video.mode = "borderless";
  for (int i = 0; i < 3000; ++i)
    video.extras["key" + std::to_string(i)] = tag + std::to_string(i);
  return video;
}

// launcher.ini has no free keys: a long disc path makes each version big instead.
LauncherSettings launcherVersion(const std::string& tag, bool motion) {
  LauncherSettings launcher;
  launcher.motion = motion;
  launcher.language = "fr";
  for (int i = 0; i < 3000; ++i)
    launcher.disc += "/" + tag + std::to_string(i);
  return launcher;
}

struct SaverCase {
  const char* name;
  const char* fileName;
  // The two versions' texts, and a save of version 0 or 1 to a path.
  std::function<std::string(int)> text;
  std::function<bool(int, const std::string&)> save;
  // True when the file at path loads as the version whose text it holds.
  std::function<bool(const std::string&, int)> loadsAs;
};

const SaverCase kCases[] = {
    {"VideoIni", "video.ini",
     [](int v) { return (v ? videoVersion("second", 1920) : videoVersion("first", 1280)).text(); },
     [](int v, const std::string& path) {
       static const VideoSettings versions[] = {videoVersion("first", 1280),
                                                videoVersion("second", 1920)};
       return versions[v].save(path);
     },
     [](const std::string& path, int v) {
       VideoSettings loaded;
       return loaded.load(path) && loaded.width == (v ? 1920 : 1280) &&
              loaded.extras.size() == 3000u;
     }},
    {"LauncherIni", "launcher.ini",
     [](int v) { return launcherVersion(v ? "second" : "first", v == 1).text(); },
     [](int v, const std::string& path) {
       static const LauncherSettings versions[] = {launcherVersion("first", false),
                                                   launcherVersion("second", true)};
       return versions[v].save(path);
     },
     [](const std::string& path, int v) {
       LauncherSettings loaded;
       return loaded.load(path) && loaded.motion == (v == 1) &&
              loaded.disc == launcherVersion(v ? "second" : "first", v == 1).disc;
     }},
};

void PrintTo(const SaverCase& c, std::ostream* out) {
  *out << c.name;
}

const SaverCase* caseNamed(const std::string& name) {
  for (const SaverCase& c : kCases)
    if (name == c.name) return &c;
  return nullptr;
}

// The child's side: announces itself, then saves the two versions in turn until it is killed.
TEST(AtomicSaveUnderFire, SaverChild) {
  const std::string path = getEnv(kSaverFile);
  const SaverCase* c = caseNamed(getEnv(kSaverKind));
  if (path.empty() || !c) GTEST_SKIP() << "runs only as the child of the tests below";
  std::printf("saving\n");
  std::fflush(stdout);
  for (unsigned i = 0;; ++i)
    c->save(i % 2, path);
}

bool waitForLine(ChildProcess& child, const std::string& wanted, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < deadline) {
    for (const std::string& line : child.takeLines())
      if (line == wanted) return true;
    if (!child.running() && child.readerDone()) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

bool waitForEnd(ChildProcess& child, int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (child.running()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

class AtomicSaveTest : public ::testing::TestWithParam<SaverCase> {};

TEST_P(AtomicSaveTest, KilledSaverAlwaysLeavesOneWholeVersion) {
  const SaverCase& c = GetParam();
  // The folder name carries accents and a space, as a user's folder may.
  testing::TempFolder folder;
  const std::string path = folder / "Données du joueur/" + c.fileName;
  std::filesystem::create_directories(utf8Path(folder / "Données du joueur"));
  const std::string texts[] = {c.text(0), c.text(1)};
  ASSERT_TRUE(c.save(0, path));

  testing::EnvGuard env;
  env.set(kSaverFile, path);
  env.set(kSaverKind, c.name);
  const std::string self = exePath();
  ASSERT_FALSE(self.empty());

  std::mt19937 random(20261210);
  std::uniform_int_distribution<int> delayMicroseconds(0, 15000);
  for (int round = 0; round < 20; ++round) {
    ChildProcess saver;
    std::string error;
    ASSERT_TRUE(
        saver.start(self, {"--gtest_filter=AtomicSaveUnderFire.SaverChild"}, "", true, error))
        << error;
    ASSERT_TRUE(waitForLine(saver, "saving", 30)) << "round " << round << ": no saver";
    std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
    saver.kill();
    ASSERT_TRUE(waitForEnd(saver, 10)) << "round " << round << ": the saver outlived its kill";

    const std::string text = testing::readFile(path);
    ASSERT_TRUE(text == texts[0] || text == texts[1])
        << "round " << round << ": " << text.size() << " bytes, a torn file";
    EXPECT_TRUE(c.loadsAs(path, text == texts[0] ? 0 : 1)) << "round " << round;
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, AtomicSaveTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace scf
