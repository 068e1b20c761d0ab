// The window host under a real X server (Xvfb in ./test.sh).
#include <SDL3/SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/app.h"
#include "app/clock.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "ui/look_and_feel.h"

namespace scf {
namespace {

namespace fs = std::filesystem;

bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display && *display;
}

// Pixels of a PNG written by our encoder (stored deflate blocks, RGB).
struct Picture {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;
};

Picture readStoredPng(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> png((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Picture pic;
  if (png.size() < 57) return pic;
  auto be = [&](size_t at) {
    return (uint32_t(png[at]) << 24) | (uint32_t(png[at + 1]) << 16) |
           (uint32_t(png[at + 2]) << 8) | png[at + 3];
  };
  pic.width = be(16);
  pic.height = be(20);
  const size_t idatLen = be(33);
  size_t pos = 41 + 2;
  const size_t end = 41 + idatLen - 4;
  std::vector<uint8_t> filtered;
  while (pos < end) {
    const size_t len = png[pos + 1] | (size_t(png[pos + 2]) << 8);
    filtered.insert(filtered.end(), png.begin() + long(pos + 5), png.begin() + long(pos + 5 + len));
    pos += 5 + len;
  }
  const size_t stride = 1 + size_t(pic.width) * 3;
  for (uint32_t y = 0; y < pic.height && (y + 1) * stride <= filtered.size(); ++y) {
    pic.rgb.insert(pic.rgb.end(), filtered.begin() + long(y * stride + 1),
                   filtered.begin() + long((y + 1) * stride));
  }
  return pic;
}

class WindowHost : public testing::Test {
 protected:
  void SetUp() override {
    if (!haveDisplay()) GTEST_SKIP() << "no X display";
    std::string error;
    ASSERT_TRUE(openWindow("SCF Launcher", 1120, 760, 1.0f, error)) << error;
    ImGui::StyleColorsDark();
    applyLookAndFeel();
    opened_ = true;
  }
  void TearDown() override {
    if (opened_) closeWindow();
  }
  bool opened_ = false;
};

TEST_F(WindowHost, EmptyFrameCaptureHasTheClearColour) {
  const fs::path shot = fs::temp_directory_path() / "scf_gui_clear.png";
  fs::remove(shot);
  for (int i = 0; i < 3; ++i) {
    pollEvents();
    beginFrame();
    endFrame(i == 2 ? shot.string() : std::string());
  }
  const Picture pic = readStoredPng(shot);
  EXPECT_EQ(pic.width, uint32_t(windowPixelWidth()));
  EXPECT_EQ(pic.height, uint32_t(windowPixelHeight()));
  ASSERT_EQ(pic.rgb.size(), size_t(pic.width) * pic.height * 3);
  for (size_t at : {size_t(0), pic.rgb.size() / 2 / 3 * 3, pic.rgb.size() - 3}) {
    EXPECT_EQ(pic.rgb[at], 1);
    EXPECT_EQ(pic.rgb[at + 1], 3);
    EXPECT_EQ(pic.rgb[at + 2], 10);
  }
  fs::remove(shot);
}

TEST_F(WindowHost, QuitAndOwnCloseRequestEndTheLoopOthersDoNot) {
  pollEvents();  // whatever the window system queued while opening
  auto push = [](Uint32 type, SDL_WindowID id) {
    SDL_Event event{};
    event.type = type;
    event.window.windowID = id;
    SDL_PushEvent(&event);
  };
  const SDL_WindowID own = SDL_GetWindowID(sdlWindow());
  push(SDL_EVENT_WINDOW_CLOSE_REQUESTED, own + 1000);
  EXPECT_FALSE(pollEvents()) << "a close request for another window is ignored";
  push(SDL_EVENT_WINDOW_CLOSE_REQUESTED, own);
  EXPECT_TRUE(pollEvents());
  push(SDL_EVENT_QUIT, 0);
  EXPECT_TRUE(pollEvents());
  EXPECT_FALSE(pollEvents()) << "the queue is drained";
}

TEST_F(WindowHost, HiddenAndShownAgain) {
  hideWindow();
  EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_HIDDEN);
  showWindow();
  EXPECT_FALSE(SDL_GetWindowFlags(sdlWindow()) & SDL_WINDOW_HIDDEN);
  EXPECT_GT(windowPixelWidth(), 0);
  EXPECT_GT(desktopWidth(), 0);
}

TEST_F(WindowHost, FrameLoopTakesScreenshotsAndEmptiesTheRequest) {
  App app;
  const fs::path shot = fs::temp_directory_path() / "scf_gui_loop.png";
  fs::remove(shot);
  int turn = 0;
  runFrameLoop(app, [&](App& a) {
    ++turn;
    if (turn == 3) a.screenshotRequest = shot.string();
    if (turn == 4) EXPECT_TRUE(a.screenshotRequest.empty());
    if (turn == 5) a.quitConfirmed = true;
  });
  const Picture pic = readStoredPng(shot);
  EXPECT_EQ(pic.width, uint32_t(windowPixelWidth()));
  EXPECT_EQ(pic.height, uint32_t(windowPixelHeight()));
  EXPECT_EQ(turn, 5) << "quitConfirmed ends the loop at the next turn's first step";
  fs::remove(shot);
}

TEST_F(WindowHost, IdleLoopDrawsAtMostSixtyTwoFramesPerSecond) {
  App app;
  int frames = 0;
  const double start = nowSeconds();
  runFrameLoop(app, [&](App& a) {
    ++frames;
    if (nowSeconds() - start >= 2.0) a.quitConfirmed = true;
  });
  const double elapsed = nowSeconds() - start;
  EXPECT_LE(frames / elapsed, 62.0) << frames << " frames in " << elapsed << " s";
  EXPECT_GT(app.animTime, 1.9);
}

bool launcherWindowExists(pid_t pid) {
  (void)pid;
  return std::system("xwininfo -root -tree 2>/dev/null | grep -q '\"SCF Launcher\"'") == 0;
}

TEST(LauncherProcess, SigtermEndsItWithExitCodeZero) {
  if (!haveDisplay()) GTEST_SKIP() << "no X display";
  const fs::path release = fs::temp_directory_path() / "scf_gui_release";
  fs::create_directories(release);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    execl(SCF_LAUNCHER_EXE, SCF_LAUNCHER_EXE, "--release", release.c_str(), nullptr);
    _exit(127);
  }
  bool shown = false;
  for (int i = 0; i < 300 && !shown; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    shown = launcherWindowExists(pid);
  }
  EXPECT_TRUE(shown) << "the launcher's window never appeared";
  const double asked = nowSeconds();
  kill(pid, SIGTERM);
  int status = 0;
  pid_t done = 0;
  while ((done = waitpid(pid, &status, WNOHANG)) == 0 && nowSeconds() - asked < 10) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  const double took = nowSeconds() - asked;
  if (done == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  ASSERT_EQ(done, pid) << "still running after SIGTERM";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_LT(took, 2.0);
  fs::remove_all(release);
}

}  // namespace
}  // namespace scf
