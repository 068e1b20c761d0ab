#include "app/window.h"

#include <SDL3/SDL.h>
#include <SDL3/SDL_opengl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/display_scale.h"
#include "app/frame_record.h"
#include "app/gamepads.h"
#include "app/window_size.h"
#include "harness/png_writer.h"
#include "imgui.h"
#include "imgui_impl_opengl3.h"
#include "imgui_impl_sdl3.h"
#include "platform/gaming_mode.h"
#include "platform/icon.h"
#include "platform/processor_time.h"
#include "platform/ui_wake.h"
#include "platform/video_driver.h"

namespace scf {

float uiScale = 1.0f;

namespace {

constexpr Uint64 kSecondNs = 1'000'000'000;

using ClearColorFn = void(APIENTRY*)(GLfloat, GLfloat, GLfloat, GLfloat);
using ClearFn = void(APIENTRY*)(GLbitfield);
using ViewportFn = void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei);
using ReadPixelsFn = void(APIENTRY*)(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void*);
using PixelStoreiFn = void(APIENTRY*)(GLenum, GLint);
using ReadBufferFn = void(APIENTRY*)(GLenum);

struct Host {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  WindowPlan plan;
  Uint64 lastPresent = 0;
  Uint64 framesPresented = 0;
  Uint64 frameNs = kSecondNs / 60;
  double busyShare = 1.0;
  double lastPresentCpu = 0;  // the process's processor time when the last frame went out
  bool focused = true;
  // What the window events said about the window being out of sight.
  bool minimised = false;
  bool hidden = false;
  bool occluded = false;
  ClearColorFn clearColor = nullptr;
  ClearFn clear = nullptr;
  ViewportFn viewport = nullptr;
  ReadPixelsFn readPixels = nullptr;
  PixelStoreiFn pixelStorei = nullptr;
  ReadBufferFn readBuffer = nullptr;
};

Host host;
// What the last presented frame drew.
FrameRecord lastFrame;

template <typename Fn>
Fn glEntry(const char* name) {
  return reinterpret_cast<Fn>(SDL_GL_GetProcAddress(name));
}

void setMultisample(int on) {
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, on ? 1 : 0);
  SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, on ? 4 : 0);
}

SDL_Window* createWindow(const char* title, int width, int height) {
  const SDL_WindowFlags flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
  SDL_Window* window = SDL_CreateWindow(title, width, height, flags);
  if (!window) {
    setMultisample(0);
    window = SDL_CreateWindow(title, width, height, flags);
  }
  return window;
}

void captureFrame(const std::string& path, int width, int height) {
  if (path.empty() || width < 1 || height < 1 || !host.readPixels) return;
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  std::vector<uint8_t> raw(rowBytes * static_cast<size_t>(height));
  std::vector<uint8_t> flipped(raw.size());
  if (host.readBuffer) host.readBuffer(GL_BACK);
  host.pixelStorei(GL_PACK_ALIGNMENT, 1);
  host.readPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
  // GL's first row is the bottom one.
  for (int y = 0; y < height; ++y) {
    std::copy_n(raw.data() + static_cast<size_t>(height - 1 - y) * rowBytes, rowBytes,
                flipped.data() + static_cast<size_t>(y) * rowBytes);
  }
  writePng(path, flipped.data(), static_cast<uint32_t>(width), static_cast<uint32_t>(height),
           false);
}

// Centres the window on the usable area of the primary display (the desktop less task bars),
// from its current size; without known bounds SDL centres it on the whole display.
void centreOnPrimaryDisplay() {
  const SDL_DisplayID primary = SDL_GetPrimaryDisplay();
  SDL_Rect area{};
  int width = 0, height = 0;
  if (!SDL_GetDisplayUsableBounds(primary, &area) || area.w <= 0 || area.h <= 0 ||
      !SDL_GetWindowSize(host.window, &width, &height)) {
    const int centred = static_cast<int>(SDL_WINDOWPOS_CENTERED_DISPLAY(primary));
    SDL_SetWindowPosition(host.window, centred, centred);
    return;
  }
  const WindowOrigin origin = centredOrigin(area.x, area.y, area.w, area.h, width, height);
  SDL_SetWindowPosition(host.window, origin.x, origin.y);
}

// SDL 3.2's video start-up now and then fails at once, without even reaching the X server
// (seen under Xvfb, most often when SDL is started again in the same process); the next try
// succeeds. Without a display every try fails just as fast.
bool startVideo() {
  for (int attempt = 0; attempt < 3; ++attempt) {
    if (SDL_Init(SDL_INIT_VIDEO)) return true;
  }
  return false;
}

// A worker published something: the frame loop wakes and looks, without this counting as input.
void pushWakeEvent() {
  SDL_Event event{};
  event.type = SDL_EVENT_USER;
  SDL_PushEvent(&event);
}

}  // namespace

bool openWindow(const char* title, int baseWidth, int baseHeight, float requestedScale,
                std::string& error) {
  SDL_SetHint("SDL_VIDEO_ALLOW_SCREENSAVER", "1");
  // Closing the window is the user's request, seen as the window's own close event; a quit event
  // then only ever means the system (a signal, a logout), which must not wait for an answer.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  // On Wayland too, sizes are pixels and the display's scale is the content scale (as on X11 and
  // Windows): the launcher draws at the display's own density and its text stays sharp.
  SDL_SetHint(SDL_HINT_VIDEO_WAYLAND_SCALE_TO_DISPLAY, "1");
  const std::string drivers = videoDriverChoice();
  if (!drivers.empty()) SDL_SetHint(SDL_HINT_VIDEO_DRIVER, drivers.c_str());
  if (!startVideo()) {
    error = std::string("SDL could not start: ") + SDL_GetError();
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  setMultisample(1);

  const SDL_DisplayID primary = SDL_GetPrimaryDisplay();
  const float contentScale = requestedScale > 0.0f ? 0.0f : SDL_GetDisplayContentScale(primary);
  const SDL_DisplayMode* mode = SDL_GetDesktopDisplayMode(primary);
  const WindowPlan plan = planWindow(baseWidth, baseHeight, requestedScale, contentScale,
                                     mode != nullptr, mode ? mode->w : 0, mode ? mode->h : 0);
  uiScale = plan.scale;
  host.plan = plan;
  setScaleFollowsDisplay(requestedScale <= 0.0f, baseWidth, baseHeight);

  host.window = createWindow(title, plan.width, plan.height);
  if (!host.window) {
    error = std::string("the window could not be opened: ") + SDL_GetError();
    return false;
  }
  const std::string noGl = "OpenGL 3.3 is not available (update the graphics driver): ";
  host.context = SDL_GL_CreateContext(host.window);
  if (!host.context) {
    setMultisample(0);
    SDL_DestroyWindow(host.window);
    host.window = createWindow(title, plan.width, plan.height);
    if (host.window) host.context = SDL_GL_CreateContext(host.window);
    if (!host.window || !host.context) {
      error = noGl + SDL_GetError();
      return false;
    }
  }
  if (!SDL_GL_MakeCurrent(host.window, host.context)) {
    error = noGl + SDL_GetError();
    return false;
  }
  SDL_GL_SetSwapInterval(1);

  host.clearColor = glEntry<ClearColorFn>("glClearColor");
  host.clear = glEntry<ClearFn>("glClear");
  host.viewport = glEntry<ViewportFn>("glViewport");
  host.readPixels = glEntry<ReadPixelsFn>("glReadPixels");
  host.pixelStorei = glEntry<PixelStoreiFn>("glPixelStorei");
  host.readBuffer = glEntry<ReadBufferFn>("glReadBuffer");
  if (!host.pixelStorei) host.readPixels = nullptr;

  setWindowIcon(host.window);
  centreOnPrimaryDisplay();
  // A console-like session shows one program at a time: the launcher takes the whole screen.
  if (gamingModeSession()) SDL_SetWindowFullscreen(host.window, true);
  SDL_ShowWindow(host.window);

  IMGUI_CHECKVERSION();
  ImGui::CreateContext();
  // The GUI library keeps no layout file and no log, from the very first frame.
  ImGui::GetIO().IniFilename = nullptr;
  ImGui::GetIO().LogFilename = nullptr;
  if (!ImGui_ImplSDL3_InitForOpenGL(host.window, host.context) ||
      !ImGui_ImplOpenGL3_Init("#version 330")) {
    error = "ImGui's SDL3 / OpenGL 3 backends could not start";
    return false;
  }
  startGamepads();
  host.lastPresent = SDL_GetTicksNS();
  setUiWaker(pushWakeEvent);
  return true;
}

void setMinimumWindowSize(int width, int height) {
  if (!host.window) return;
  // A minimum above the planned size would grow a window fitted to a small desktop off screen.
  const WindowPlan minimum = clampMinimumSize(host.plan, width, height);
  SDL_SetWindowMinimumSize(host.window, minimum.width, minimum.height);
  centreOnPrimaryDisplay();
}

namespace {
// The last file dropped onto the window and not yet taken.
std::string droppedFile;

void trackVisibility(Uint32 type) {
  switch (type) {
    case SDL_EVENT_WINDOW_MINIMIZED:
      host.minimised = true;
      break;
    case SDL_EVENT_WINDOW_RESTORED:
    case SDL_EVENT_WINDOW_MAXIMIZED:
      host.minimised = false;
      break;
    case SDL_EVENT_WINDOW_HIDDEN:
      host.hidden = true;
      break;
    case SDL_EVENT_WINDOW_SHOWN:
      host.hidden = false;
      break;
    case SDL_EVENT_WINDOW_OCCLUDED:
      host.occluded = true;
      break;
    case SDL_EVENT_WINDOW_EXPOSED:
      // Some of the window is on screen again, whatever was missed before.
      host.minimised = host.hidden = host.occluded = false;
      break;
    default:
      break;
  }
}
}  // namespace

WindowEvents pollEvents() {
  WindowEvents events;
  const SDL_WindowID own = host.window ? SDL_GetWindowID(host.window) : 0;
  bool scaleChanged = false;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_EVENT_USER) continue;
    events.any = true;
    ImGui_ImplSDL3_ProcessEvent(&event);
    const InputKind input = takeInputEvent(event);
    if (input != InputKind::none) events.lastInput = input;
    // With the last window's close request kept apart (see openWindow), a quit event comes from
    // the system only: SIGTERM or SIGINT, or the session ending.
    if (event.type == SDL_EVENT_QUIT || event.type == SDL_EVENT_TERMINATING) {
      events.sessionEnd = true;
    }
    if (event.type == SDL_EVENT_WINDOW_CLOSE_REQUESTED && event.window.windowID == own) {
      events.closeRequested = true;
    }
    if (event.type == SDL_EVENT_WINDOW_FOCUS_GAINED && event.window.windowID == own) {
      host.focused = true;
    }
    if (event.type == SDL_EVENT_WINDOW_FOCUS_LOST && event.window.windowID == own) {
      host.focused = false;
    }
    if (event.type == SDL_EVENT_DROP_FILE && event.drop.data) droppedFile = event.drop.data;
    if ((event.type == SDL_EVENT_WINDOW_DISPLAY_SCALE_CHANGED && event.window.windowID == own) ||
        event.type == SDL_EVENT_DISPLAY_CONTENT_SCALE_CHANGED) {
      scaleChanged = true;
    }
    if (event.type >= SDL_EVENT_WINDOW_FIRST && event.type <= SDL_EVENT_WINDOW_LAST &&
        event.window.windowID == own) {
      trackVisibility(event.type);
    }
  }
  if (scaleChanged) followDisplayScale();
  return events;
}

bool windowFocused() {
  return host.focused;
}

bool windowIdle() {
  return host.window && (host.minimised || host.hidden || host.occluded);
}

std::string takeDroppedFile() {
  return std::exchange(droppedFile, std::string());
}

void waitForEvents(double seconds) {
  SDL_WaitEventTimeout(nullptr, static_cast<Sint32>(seconds * 1000.0));
}

void beginFrame() {
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL3_NewFrame();
  ImGui::NewFrame();
}

void setFrameRateLimit(int framesPerSecond, double busyShare) {
  host.frameNs = kSecondNs / static_cast<Uint64>(std::clamp(framesPerSecond, 1, 1000));
  host.busyShare = std::clamp(busyShare, 0.05, 1.0);
}

bool endFrame(const std::string& screenshotPath, bool onlyIfChanged) {
  ImGui::Render();
  const bool changed = lastFrame.differs(ImGui::GetDrawData());
  if (onlyIfChanged && !changed && screenshotPath.empty()) return false;
  const int width = windowPixelWidth();
  const int height = windowPixelHeight();
  if (host.viewport) host.viewport(0, 0, width, height);
  if (host.clearColor && host.clear) {
    host.clearColor(1.0f / 255.0f, 3.0f / 255.0f, 10.0f / 255.0f, 1.0f);
    host.clear(GL_COLOR_BUFFER_BIT);
  }
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  captureFrame(screenshotPath, width, height);
  SDL_GL_SwapWindow(host.window);
  ++host.framesPresented;

  // Vertical sync may be off or ignored; this keeps the loop at the frame rate limit.
  const Uint64 now = SDL_GetTicksNS();
  Uint64 until = host.lastPresent + host.frameNs;
  if (host.busyShare < 1.0) {
    // The processor time of the turns since the last frame (every thread: a software OpenGL
    // driver renders on several), spread over their time and a pause: the launcher then uses at
    // most busyShare of one processor. Time spent waiting for events costs nothing here.
    const double used = std::max(0.0, processorSeconds() - host.lastPresentCpu);
    until = std::max(until, host.lastPresent + static_cast<Uint64>(used / host.busyShare * 1e9));
  }
  // Never more than a second, whatever a stalled turn measured.
  until = std::min(until, now + kSecondNs);
  if (now < until) SDL_DelayPrecise(until - now);
  host.lastPresent = SDL_GetTicksNS();
  host.lastPresentCpu = processorSeconds();
  return true;
}

void closeWindow() {
  setUiWaker(nullptr);
  stopGamepads();
  if (ImGui::GetCurrentContext()) {
    ImGui_ImplOpenGL3_Shutdown();
    ImGui_ImplSDL3_Shutdown();
    ImGui::DestroyContext();
  }
  if (host.context) SDL_GL_DestroyContext(host.context);
  if (host.window) SDL_DestroyWindow(host.window);
  host.context = nullptr;
  host.window = nullptr;
  host.minimised = host.hidden = host.occluded = false;
  host.focused = true;
  lastFrame.clear();
  SDL_Quit();
}

int windowPixelWidth() {
  int w = 0, h = 0;
  if (host.window) SDL_GetWindowSizeInPixels(host.window, &w, &h);
  return w;
}

int windowPixelHeight() {
  int w = 0, h = 0;
  if (host.window) SDL_GetWindowSizeInPixels(host.window, &w, &h);
  return h;
}

namespace {
const SDL_DisplayMode* desktopMode() {
  SDL_DisplayID display = host.window ? SDL_GetDisplayForWindow(host.window) : 0;
  if (display == 0) display = SDL_GetPrimaryDisplay();
  return display ? SDL_GetDesktopDisplayMode(display) : nullptr;
}
}  // namespace

int desktopWidth() {
  const SDL_DisplayMode* mode = desktopMode();
  return mode ? mode->w : 1920;
}

int desktopHeight() {
  const SDL_DisplayMode* mode = desktopMode();
  return mode ? mode->h : 1080;
}

void hideWindow() {
  if (!host.window) return;
  SDL_HideWindow(host.window);
  host.hidden = true;
}

void showWindow() {
  if (!host.window) return;
  SDL_ShowWindow(host.window);
  SDL_RaiseWindow(host.window);
  // Whatever the window showed before it was hidden is gone: the next frame is presented.
  lastFrame.clear();
  // The frame loop draws on this very turn, before the window's own events arrive.
  host.hidden = host.minimised = false;
  host.lastPresent = SDL_GetTicksNS();
}

SDL_Window* sdlWindow() {
  return host.window;
}

uint64_t framesPresented() {
  return host.framesPresented;
}

}  // namespace scf
