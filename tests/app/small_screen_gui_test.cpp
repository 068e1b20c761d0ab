// The launcher's real window on desktops of several sizes: each case starts its own X server with
// that screen size, runs the launcher on it and reads the window's geometry and size hints back
// from the X server.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <thread>

#include "support/test_support.h"

namespace scf {
namespace {

using Clock = std::chrono::steady_clock;

// A child process that is ended (SIGTERM, then SIGKILL) when the guard goes.
#ifndef _WIN32
class Child {
 public:
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() { stop(); }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  pid_t pid() const { return pid_; }
  void stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    const auto deadline = Clock::now() + std::chrono::seconds(5);
    while (waitpid(pid_, nullptr, WNOHANG) == 0) {
      if (Clock::now() > deadline) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
  }

 private:
  pid_t pid_;
};

// Starts Xvfb with one screen of the given size on a free display; the display name (":N") is
// empty when the server did not come up within 10 s.
std::string startXvfb(const std::string& screen, std::optional<Child>& server) {
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten",
           "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return {};
  }
  server.emplace(pid);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (number.find('\n') == std::string::npos && Clock::now() < deadline) {
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[16];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    number.append(buf, static_cast<size_t>(n));
  }
  close(fds[0]);
  if (number.find('\n') == std::string::npos) return {};
  return ":" + number.substr(0, number.find('\n'));
}

std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buf[512];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
      out.append(buf, n);
    pclose(pipe);
  }
  return out;
}

int field(const std::string& text, const std::string& label) {
  std::smatch m;
  const std::regex re(label + ":\\s*(-?[0-9]+)");
  return std::regex_search(text, m, re) ? std::stoi(m[1]) : -99999;
}

struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const Geometry&) const = default;
};

// The launcher window's geometry once it is mapped and has stopped changing, or nothing within
// 30 s. The window id goes to windowId.
std::optional<Geometry> settledGeometry(const std::string& display, std::string& windowId) {
  const std::string query = "xwininfo -display " + display + " -name 'SCF Launcher' 2>/dev/null";
  std::optional<Geometry> last;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const std::string info = commandOutput(query);
    if (info.find("IsViewable") == std::string::npos) continue;
    const Geometry now{field(info, "Absolute upper-left X"), field(info, "Absolute upper-left Y"),
                       field(info, "Width"), field(info, "Height")};
    if (last && *last == now) {
      std::smatch m;
      if (std::regex_search(info, m, std::regex("Window id: (0x[0-9a-f]+)"))) windowId = m[1];
      return now;
    }
    last = now;
  }
  return std::nullopt;
}

#endif

struct ScreenCase {
  const char* name;
  const char* screen;
  int screenWidth, screenHeight;
  int width, height;        // the planned window size
  int minWidth, minHeight;  // 980 by 700, never above the planned size
};

const ScreenCase kScreens[] = {
    {"Screen1280x720", "1280x720x24", 1280, 720, 1120, 640, 980, 640},
    {"Screen1366x768", "1366x768x24", 1366, 768, 1120, 688, 980, 688},
    {"Screen1920x1080", "1920x1080x24", 1920, 1080, 1120, 760, 980, 700},
};

void PrintTo(const ScreenCase& c, std::ostream* os) {
  *os << c.name;
}

class SmallScreen : public ::testing::TestWithParam<ScreenCase> {};

TEST_P(SmallScreen, WindowKeepsItsPlannedSizeCentredOnTheDesktop) {
  const ScreenCase& c = GetParam();
#ifdef _WIN32
  static_cast<void>(c);
  GTEST_SKIP() << "starts an X server of the planned size and reads the window from X; Windows "
                  "places windows on its own desktop";
#else
  if (std::system("command -v Xvfb >/dev/null && command -v xwininfo >/dev/null") != 0) {
    GTEST_SKIP() << "Xvfb or xwininfo is not installed";
  }
  std::optional<Child> server;
  const std::string display = startXvfb(c.screen, server);
  ASSERT_FALSE(display.empty()) << "Xvfb did not start";

  scf::testing::TempFolder home;
  const std::string release = home / "release";
  std::filesystem::create_directories(release);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    setenv("ZA2D_USER_DIR", (home / "user").c_str(), 1);
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEO_DRIVER");
    execl(SCF_LAUNCHER_EXE, SCF_LAUNCHER_EXE, "--release", release.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  Child launcher(pid);

  std::string windowId;
  const std::optional<Geometry> g = settledGeometry(display, windowId);
  ASSERT_TRUE(g) << "the launcher's window never settled on " << c.screen;
  EXPECT_EQ(g->width, c.width);
  EXPECT_EQ(g->height, c.height);
  EXPECT_GE(g->x, 0);
  EXPECT_GE(g->y, 0);
  EXPECT_LE(g->x + g->width, c.screenWidth) << "the right edge is off screen";
  EXPECT_LE(g->y + g->height, c.screenHeight) << "the footer is off screen";
  EXPECT_LE(std::abs(g->x - (c.screenWidth - g->width) / 2), 1) << "centred across: " << g->x;
  EXPECT_LE(std::abs(g->y - (c.screenHeight - g->height) / 2), 1) << "centred down: " << g->y;

  const std::string hints =
      commandOutput("xprop -display " + display + " -id " + windowId + " WM_NORMAL_HINTS");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(hints, m,
                                std::regex("program specified minimum size: ([0-9]+) by ([0-9]+)")))
      << hints;
  EXPECT_EQ(std::stoi(m[1]), c.minWidth);
  EXPECT_EQ(std::stoi(m[2]), c.minHeight);
#endif
}

INSTANTIATE_TEST_SUITE_P(Desktops, SmallScreen, ::testing::ValuesIn(kScreens),
                         [](const ::testing::TestParamInfo<ScreenCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace scf
