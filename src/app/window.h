#pragma once

#include <cstdint>
#include <string>

#include "app/input_kind.h"

struct SDL_Window;

namespace scf {

// The UI scale, in [1, 3]: chosen when the window opens, and again when the window's display
// changes its scale unless --ui-scale fixed it (app/display_scale.h); every UI size in points is
// multiplied by it.
extern float uiScale;

// Opens the one window with its OpenGL 3.3 core context and the GUI backends. On failure the
// error holds one sentence for the fatal error box.
bool openWindow(const char* title, int baseWidth, int baseHeight, float requestedScale,
                std::string& error);
// Sets the minimum size, never above the size the window opened with, and centres the window
// again on the desktop.
void setMinimumWindowSize(int width, int height);
// What one drain of the event queue brought.
struct WindowEvents {
  bool any = false;             // at least one event arrived (the next frame must be presented)
  bool closeRequested = false;  // the user closed this window
  bool sessionEnd = false;      // the system asked the program to end (SIGTERM, a logout)
  InputKind lastInput = InputKind::none;  // the kind of the last input event, if any
  explicit operator bool() const { return closeRequested || sessionEnd; }
};

// Drains the event queue; true when the user or the system asked to quit.
WindowEvents pollEvents();
// True while the window has the keyboard focus.
bool windowFocused();
// The path of a file dropped onto the window since the last call, or empty.
std::string takeDroppedFile();
// True while the window events say the window cannot be seen: minimised, hidden or occluded
// (until it is restored, shown or exposed again).
bool windowIdle();
// Waits up to the given time for an event (used while the window is hidden or idle).
void waitForEvents(double seconds);
void beginFrame();
// Renders, saves the frame as PNG when the path is not empty, presents, and paces to the frame
// rate limit. With onlyIfChanged, a frame that would draw exactly what the last presented one
// drew is neither rendered nor presented (a screenshot always is). True when it was presented.
bool endFrame(const std::string& screenshotPath, bool onlyIfChanged = false);
// The most frames per second endFrame presents (60 unless changed). With busyShare below 1, a
// presented frame is also followed by a pause long enough that the processor time the process
// used since the last frame (building, rendering and presenting it, on every thread) is at most
// that share of one processor: where a frame is dear (software OpenGL, a large window) the rate
// drops further.
void setFrameRateLimit(int framesPerSecond, double busyShare = 1.0);
void closeWindow();

int windowPixelWidth();
int windowPixelHeight();
int desktopWidth();
int desktopHeight();
void hideWindow();
void showWindow();
SDL_Window* sdlWindow();
// Frames presented since the program started.
uint64_t framesPresented();

}  // namespace scf
