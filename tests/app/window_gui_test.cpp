// The window host under a real X server (Xvfb in ./test.sh).
#include <SDL3/SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/app.h"
#include "app/frame_loop.h"
#include "app/window.h"
#include "imgui.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "platform/utf8_path.h"
#include "support/test_support.h"
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

class WindowHost : public ::testing::Test {
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

// A marker in the top-left corner of an otherwise empty frame: the screenshot must have it in
// the same corner, the right way up and not mirrored.
TEST_F(WindowHost, ScreenshotIsTheRightWayUp) {
  const fs::path shot = fs::temp_directory_path() / "scf_gui_marker.png";
  fs::remove(shot);
  constexpr float kMarker = 40.0f;
  for (int i = 0; i < 3; ++i) {
    pollEvents();
    beginFrame();
    ImGui::GetForegroundDrawList()->AddRectFilled(ImVec2(0, 0), ImVec2(kMarker, kMarker),
                                                  IM_COL32(255, 0, 0, 255));
    endFrame(i == 2 ? shot.string() : std::string());
  }
  const Picture pic = readStoredPng(shot);
  ASSERT_EQ(pic.rgb.size(), size_t(pic.width) * pic.height * 3);
  ASSERT_GT(pic.width, 100u);
  ASSERT_GT(pic.height, 100u);
  // The marker is given in points; the pixel size may be larger on a scaled display.
  const uint32_t inside = 10;
  const uint32_t right = pic.width - 11, bottom = pic.height - 11;
  struct Probe {
    const char* where;
    uint32_t x, y;
    uint8_t r, g, b;
  };
  const Probe probes[] = {
      {"top left (the marker)", inside, inside, 255, 0, 0},
      {"bottom left", inside, bottom, 1, 3, 10},
      {"top right", right, inside, 1, 3, 10},
      {"bottom right", right, bottom, 1, 3, 10},
  };
  for (const Probe& p : probes) {
    const size_t at = (size_t(p.y) * pic.width + p.x) * 3;
    EXPECT_EQ(pic.rgb[at], p.r) << p.where;
    EXPECT_EQ(pic.rgb[at + 1], p.g) << p.where;
    EXPECT_EQ(pic.rgb[at + 2], p.b) << p.where;
  }
  fs::remove(shot);
}

// Pacing on frames that cost next to nothing (a tiny window, nothing drawn), so that the 60 per
// second cap, not the drawing, is what limits them.
TEST_F(WindowHost, CheapFramesArePacedToSixtyPerSecond) {
  SDL_SetWindowSize(sdlWindow(), 64, 48);
  SDL_SyncWindow(sdlWindow());
  pollEvents();
  beginFrame();
  endFrame({});
  const uint64_t before = framesPresented();
  const double start = nowSeconds();
  while (nowSeconds() - start < 1.0) {
    pollEvents();
    beginFrame();
    endFrame({});
  }
  const double elapsed = nowSeconds() - start;
  const uint64_t frames = framesPresented() - before;
  // One second holds 60 paced frames, plus the one that ends past the second.
  EXPECT_LE(static_cast<double>(frames), 60.0 * elapsed + 2.0)
      << frames << " frames in " << elapsed << " s";
}

// Window events that put the window out of sight, each with the one that brings it back.
struct VisibilityCase {
  const char* name;
  SDL_EventType away;
  SDL_EventType back;
};

const VisibilityCase kVisibility[] = {
    {"Minimised", SDL_EVENT_WINDOW_MINIMIZED, SDL_EVENT_WINDOW_RESTORED},
    {"MinimisedThenMaximised", SDL_EVENT_WINDOW_MINIMIZED, SDL_EVENT_WINDOW_MAXIMIZED},
    {"Hidden", SDL_EVENT_WINDOW_HIDDEN, SDL_EVENT_WINDOW_SHOWN},
    {"Occluded", SDL_EVENT_WINDOW_OCCLUDED, SDL_EVENT_WINDOW_EXPOSED},
    {"MinimisedThenExposed", SDL_EVENT_WINDOW_MINIMIZED, SDL_EVENT_WINDOW_EXPOSED},
};

void PrintTo(const VisibilityCase& c, std::ostream* os) {
  *os << c.name;
}

void pushWindowEvent(SDL_EventType type, SDL_WindowID id) {
  SDL_Event event{};
  event.type = type;
  event.window.windowID = id;
  SDL_PushEvent(&event);
}

class WindowVisibility : public WindowHost, public ::testing::WithParamInterface<VisibilityCase> {};

TEST_P(WindowVisibility, OutOfSightTurnsWaitInsteadOfDrawing) {
  const VisibilityCase& c = GetParam();
  const SDL_WindowID own = SDL_GetWindowID(sdlWindow());
  pollEvents();
  ASSERT_FALSE(windowIdle());
  pushWindowEvent(c.away, own + 1000);
  pollEvents();
  EXPECT_FALSE(windowIdle()) << "events of another window are not ours";

  pushWindowEvent(c.away, own);
  App app;
  const fs::path shot = fs::temp_directory_path() / "scf_gui_idle.png";
  fs::remove(shot);
  int turns = 0;
  uint64_t idleFrames = 0;
  double idleSeconds = 0;
  const uint64_t before = framesPresented();
  const double start = nowSeconds();
  runFrameLoop(app, [&](App& a) {
    ++turns;
    if (turns == 6) {
      idleFrames = framesPresented() - before;
      idleSeconds = nowSeconds() - start;
      a.screenshotRequest = shot.string();
    }
    if (turns == 8) pushWindowEvent(c.back, own);
    if (turns == 10) a.quitConfirmed = true;
  });
  EXPECT_EQ(turns, 10) << "the tasks' turn goes on while nothing is drawn";
  EXPECT_EQ(idleFrames, 0u) << "frames drawn while the window was out of sight";
  EXPECT_GE(idleSeconds, 0.3) << "the turns out of sight waited for events";
  EXPECT_TRUE(fs::exists(shot)) << "a screenshot request still gets its frame";
  // Turn 6 draws the screenshot, turn 7 waits again, turns 8 and 9 draw once the window is back.
  EXPECT_EQ(framesPresented() - before, 3u);
  EXPECT_FALSE(windowIdle());
  fs::remove(shot);
}

INSTANTIATE_TEST_SUITE_P(Events, WindowVisibility, ::testing::ValuesIn(kVisibility),
                         [](const ::testing::TestParamInfo<VisibilityCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(WindowHost, HidingTheWindowMakesItIdleAndShowingItDrawsAtOnce) {
  pollEvents();
  hideWindow();
  pollEvents();
  EXPECT_TRUE(windowIdle());
  showWindow();
  EXPECT_FALSE(windowIdle()) << "the turn that shows the window draws a frame";
  SDL_HideWindow(sdlWindow());
  pollEvents();
  EXPECT_TRUE(windowIdle()) << "SDL's own hidden event";
  SDL_ShowWindow(sdlWindow());
  pollEvents();
  EXPECT_FALSE(windowIdle()) << "SDL's own shown event";
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

#ifndef _WIN32
bool launcherWindowExists() {
  return std::system("xwininfo -root -tree 2>/dev/null | grep -q '\"SCF Launcher\"'") == 0;
}
#endif

// The launcher's own window, opened by the real program, closes on the desktop's request (SIGTERM
// on Linux, WM_CLOSE on Windows) and the program ends with code 0, not killed.
TEST(LauncherProcess, CloseRequestEndsItWithExitCodeZero) {
  if (!haveDisplay()) GTEST_SKIP() << "no X display";
  testing::TempFolder home;
  const std::string release = home / "release";
  fs::create_directories(utf8Path(release));
  testing::EnvGuard env;
  env.set("ZA2D_USER_DIR", home / "user");
  ChildProcess launcher;
  std::string error;
  ASSERT_TRUE(launcher.start(SCF_LAUNCHER_EXE, {"--release", release}, "", true, error)) << error;
#ifdef _WIN32
  // The request goes to the program's visible windows, and there is none until the window has
  // opened (about a second under wine): it is repeated until the program ends, which it does
  // only through its window.
  const bool repeat = true;
#else
  const bool repeat = false;
  bool shown = false;
  for (int i = 0; i < 300 && !shown && launcher.running(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    shown = launcherWindowExists();
  }
  EXPECT_TRUE(shown) << "the launcher's window never appeared";
#endif
  const double asked = nowSeconds();
  launcher.askToClose();
  while (launcher.running() && nowSeconds() - asked < 30) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (repeat) launcher.askToClose();
  }
  const double took = nowSeconds() - asked;
  ASSERT_FALSE(launcher.running()) << "still running 30 s after the close request";
  EXPECT_EQ(launcher.exitCode(), 0);
  // Windows: the time includes the window's opening, and closing a window takes seconds there.
  if (!repeat) EXPECT_LT(took, 2.0);
}

}  // namespace
}  // namespace scf
