#pragma once

#include <cstdint>
#include <string>

struct SDL_Window;

namespace scf {

// The UI scale fixed when the window opens, in [1, 3]; every UI size in points is multiplied by it.
extern float uiScale;

// Opens the one window with its OpenGL 3.3 core context and the GUI backends. On failure the
// error holds one sentence for the fatal error box.
bool openWindow(const char* title, int baseWidth, int baseHeight, float requestedScale,
                std::string& error);
// Sets the minimum size, never above the size the window opened with, and centres the window
// again on the desktop.
void setMinimumWindowSize(int width, int height);
// Drains the event queue; true when the user asked to quit or to close this window.
bool pollEvents();
// The path of a file dropped onto the window since the last call, or empty.
std::string takeDroppedFile();
// True while the window events say the window cannot be seen: minimised, hidden or occluded
// (until it is restored, shown or exposed again).
bool windowIdle();
// Waits up to the given time for an event (used while the window is hidden or idle).
void waitForEvents(double seconds);
void beginFrame();
// Renders, saves the frame as PNG when the path is not empty, presents, and paces to 60 per second.
void endFrame(const std::string& screenshotPath);
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
