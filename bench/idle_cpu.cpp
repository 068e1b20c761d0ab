// Idle cost: the share of one core that the launcher uses while it sits idle, side by side with a
// bare SDL3 + Dear ImGui + OpenGL 3.3 window of the same size that draws one line of text at 60
// frames per second (the floor), measured in the same run. The launcher is measured with its
// moving background on (the window focused, then shown but not focused, then minimised) and
// with it off (shown, nothing changing). Targets: motion off and shown at most 2 % of a core;
// motion on and not focused at most a quarter of the focused figure (the loop used to draw at
// 60 fps whatever the focus); minimised at most 5 %. CPU time is read from /proc (all threads,
// so a software GL driver's workers count too). Needs an X display: the benchmark plays the
// window manager's part through Xlib, giving the focus to the launcher or to a window of its
// own, and minimising (iconic state, hidden state, unmapping) when no manager does it.
//
// usage: bench_idle_cpu [launcher executable] [seconds per figure, default 10]
//        bench_idle_cpu --floor   (the bare window itself, run by the benchmark)
#include <SDL3/SDL.h>
#include <SDL3/SDL_opengl.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bare_window.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "imgui_impl_sdl3.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// The floor: a bare window that draws one line of text each frame, paced like the launcher
// (vertical sync plus a 1/60 s pace), until it is asked to quit.
int runFloor() {
  BareWindow bare;
  if (!openBareWindow("idle floor", bare)) return 1;
  SDL_Window* window = bare.window;
  SDL_GLContext context = bare.context;
  auto clearColor = bare.clearColor;
  auto clear = bare.clear;
  constexpr Uint64 kFrameNs = 16'666'666;
  Uint64 last = SDL_GetTicksNS();
  for (bool quit = false; !quit;) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
      ImGui_ImplSDL3_ProcessEvent(&event);
      if (event.type == SDL_EVENT_QUIT) quit = true;
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL3_NewFrame();
    ImGui::NewFrame();
    ImGui::Begin("floor");
    ImGui::Text("idle");
    ImGui::End();
    ImGui::Render();
    clearColor(0, 0, 0, 1);
    clear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
    const Uint64 now = SDL_GetTicksNS();
    if (now - last < kFrameNs) SDL_DelayPrecise(last + kFrameNs - now);
    last = SDL_GetTicksNS();
  }
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL3_Shutdown();
  ImGui::DestroyContext();
  SDL_GL_DestroyContext(context);
  SDL_DestroyWindow(window);
  SDL_Quit();
  return 0;
}

// User plus system CPU seconds of a process, all threads; negative when it cannot be read.
double cpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1.0;
  std::istringstream rest(stat.substr(close + 2));
  std::string field;
  unsigned long long utime = 0, stime = 0;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14) utime = std::stoull(field);
    if (i == 15) stime = std::stoull(field);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The share of one core a process uses over the given time.
double cpuShare(pid_t pid, double seconds) {
  const double before = cpuSeconds(pid);
  const auto start = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const double after = cpuSeconds(pid);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  return before < 0 || after < 0 ? -1.0 : (after - before) / wall;
}

Atom atom(Display* x, const char* name) {
  return XInternAtom(x, name, False);
}

// A top-level window of the process (by _NET_WM_PID) that has a name, or 0.
Window findWindow(Display* x, Window under, pid_t pid) {
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(x, under, &root, &parent, &children, &count)) return 0;
  Window found = 0;
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(x, children[i], atom(x, "_NET_WM_PID"), 0, 1, False, XA_CARDINAL, &type,
                           &format, &items, &after, &data) == Success &&
        data && items == 1 &&
        *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(pid)) {
      found = children[i];
    }
    if (data) XFree(data);
    if (!found) found = findWindow(x, children[i], pid);
  }
  if (children) XFree(children);
  return found;
}

bool viewable(Display* x, Window w) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(x, w, &attributes) && attributes.map_state == IsViewable;
}

// Minimises the window: asks the window manager; when none acts within a second, plays its part.
void minimise(Display* x, Window w) {
  XIconifyWindow(x, w, DefaultScreen(x));
  XSync(x, False);
  for (int i = 0; i < 10 && viewable(x, w); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  if (!viewable(x, w)) return;
  const long iconic[2] = {IconicState, 0};
  XChangeProperty(x, w, atom(x, "WM_STATE"), atom(x, "WM_STATE"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(iconic), 2);
  const Atom hidden = atom(x, "_NET_WM_STATE_HIDDEN");
  XChangeProperty(x, w, atom(x, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&hidden), 1);
  XUnmapWindow(x, w);
  XSync(x, False);
}

// An X error (a window gone, focus refused) is not worth ending the benchmark for.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}

// Gives the keyboard focus to the window, as a window manager would on a click.
void focus(Display* x, Window w) {
  XRaiseWindow(x, w);
  XSetInputFocus(x, w, RevertToParent, CurrentTime);
  XSync(x, False);
}

// A small window of the benchmark's own that takes the focus away from the measured one.
Window openDecoy(Display* x) {
  const int screen = DefaultScreen(x);
  Window w = XCreateSimpleWindow(x, RootWindow(x, screen), 0, 0, 200, 200, 0, BlackPixel(x, screen),
                                 WhitePixel(x, screen));
  XStoreName(x, w, "idle benchmark decoy");
  XMapRaised(x, w);
  XSync(x, False);
  for (int i = 0; i < 50 && !viewable(x, w); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return w;
}

bool hasFocus(Display* x, Window w) {
  Window focused = 0;
  int revert = 0;
  XGetInputFocus(x, &focused, &revert);
  return focused == w;
}

enum class Phase { focused, unfocused, minimised };

struct Figures {
  double focused = -1.0;
  double unfocused = -1.0;
  double hidden = -1.0;
};

// Starts the program, waits for its window, lets it settle, and measures it in each phase asked
// for, in the order focused, not focused, minimised.
Figures measure(const std::vector<std::string>& command, double seconds, Display* x,
                const std::vector<Phase>& phases) {
  auto wanted = [&](Phase phase) {
    return std::find(phases.begin(), phases.end(), phase) != phases.end();
  };
  Figures figures;
  const pid_t pid = fork();
  if (pid < 0) return figures;
  if (pid == 0) {
    std::vector<char*> argv;
    argv.reserve(command.size() + 1);
    for (const std::string& arg : command)
      argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  Window w = 0;
  for (int i = 0; i < 300 && !(w && viewable(x, w)); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    w = findWindow(x, DefaultRootWindow(x), pid);
  }
  if (w) {
    focus(x, w);
    std::this_thread::sleep_for(std::chrono::seconds(2));
    if (wanted(Phase::focused)) {
      if (!hasFocus(x, w)) std::fprintf(stderr, "%s: did not take the focus\n", command[0].c_str());
      figures.focused = cpuShare(pid, seconds);
    }
    if (wanted(Phase::unfocused)) {
      const Window decoy = openDecoy(x);
      focus(x, decoy);
      std::this_thread::sleep_for(std::chrono::seconds(1));
      if (!hasFocus(x, decoy)) std::fprintf(stderr, "the decoy window did not take the focus\n");
      figures.unfocused = cpuShare(pid, seconds);
      XDestroyWindow(x, decoy);
      focus(x, w);
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    if (wanted(Phase::minimised)) {
      minimise(x, w);
      std::this_thread::sleep_for(std::chrono::seconds(1));
      figures.hidden = cpuShare(pid, seconds);
    }
  } else {
    std::fprintf(stderr, "%s: no window appeared within 30 s\n", command[0].c_str());
  }
  kill(pid, SIGTERM);
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (waitpid(pid, nullptr, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return figures;
}

std::string percent(double share) {
  if (share < 0) return "   n/a";
  char text[32];
  std::snprintf(text, sizeof text, "%5.1f %%", share * 100.0);
  return text;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "--floor") return runFloor();
  const fs::path self = fs::read_symlink("/proc/self/exe");
  const std::string launcher =
      argc > 1 ? argv[1] : (self.parent_path().parent_path() / "scf-launcher").string();
  const double seconds = argc > 2 ? std::atof(argv[2]) : 10.0;
  if (seconds <= 0) {
    std::fprintf(stderr, "the time per figure must be a positive number of seconds\n");
    return 2;
  }
  Display* x = XOpenDisplay(nullptr);
  if (!x) {
    std::fprintf(stderr, "bench_idle_cpu needs an X display: xvfb-run -a bench_idle_cpu\n");
    return 2;
  }
  if (!fs::exists(launcher)) {
    std::fprintf(stderr, "no launcher at %s\n", launcher.c_str());
    return 2;
  }
  XSetErrorHandler(ignoreXError);
  std::string home = (fs::temp_directory_path() / "scf-idle-XXXXXX").string();
  if (!mkdtemp(home.data())) return 2;
  fs::create_directories(home + "/release");
  fs::create_directories(home + "/user");
  setenv("ZA2D_USER_DIR", (home + "/user").c_str(), 1);
  // No update check, and nowhere to reach if one started anyway.
  auto settings = [&](bool motion) {
    std::ofstream(home + "/user/launcher.ini")
        << "[launcher]\nupdate_check = 0\nmotion = " << (motion ? 1 : 0) << "\n";
  };
  const std::vector<std::string> app = {launcher, "--release", home + "/release", "--update-url",
                                        "http://127.0.0.1:9/x"};

  const Figures floor =
      measure({self.string(), "--floor"}, seconds, x, {Phase::focused, Phase::minimised});
  settings(true);
  const Figures moving =
      measure(app, seconds, x, {Phase::focused, Phase::unfocused, Phase::minimised});
  settings(false);
  const Figures still = measure(app, seconds, x, {Phase::focused});
  fs::remove_all(home);
  XCloseDisplay(x);

  std::printf("idle CPU, share of one core over %.0f s per figure\n", seconds);
  std::printf("                        focused   not focused   minimised\n");
  auto row = [](const char* name, const Figures& f) {
    std::printf("%-20s  %s      %s    %s\n", name, percent(f.focused).c_str(),
                percent(f.unfocused).c_str(), percent(f.hidden).c_str());
  };
  row("floor window", floor);
  row("launcher, motion on", moving);
  row("launcher, motion off", still);
  auto againstFloor = [&](const char* name, double share) {
    if (floor.focused > 0 && share >= 0) {
      std::printf("%-36s %5.2fx the floor\n", name, share / floor.focused);
    }
  };
  againstFloor("motion on, focused", moving.focused);
  againstFloor("motion on, not focused", moving.unfocused);
  againstFloor("motion off, shown", still.focused);
  auto verdict = [](double value, double target) {
    return value < 0 ? "not measured" : (value <= target ? "met" : "missed");
  };
  std::printf("motion off, shown: target <= 2.0 %% of a core: %s\n", verdict(still.focused, 0.02));
  if (moving.focused > 0 && moving.unfocused >= 0) {
    const double ratio = moving.unfocused / moving.focused;
    std::printf("motion on, not focused / focused: %.2f (target <= 0.25): %s\n", ratio,
                verdict(ratio, 0.25));
  } else {
    std::printf("motion on, not focused / focused: not measured\n");
  }
  std::printf("minimised: target <= 5.0 %% of a core: %s\n", verdict(moving.hidden, 0.05));
  return 0;
}
