// A GUI context without a window: fonts from memory, texture requests marked as done, and
// every recoverable GUI usage error recorded so a test can fail on it.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "imgui.h"

namespace scf {

class HeadlessGui {
 public:
  explicit HeadlessGui(float scale = 1.0f, ImVec2 display = ImVec2(1120.0f, 760.0f));
  ~HeadlessGui();
  HeadlessGui(const HeadlessGui&) = delete;
  HeadlessGui& operator=(const HeadlessGui&) = delete;

  // One whole frame: NewFrame, the body inside a full-size borderless window, Render.
  void frame(const std::function<void()>& body);
  // One whole frame whose body opens its own windows.
  void bareFrame(const std::function<void()>& body);

  // Anti-aliased fringes off, so shapes end exactly where they are drawn.
  void sharpEdges();

  void moveMouse(ImVec2 pos);
  // Press and release over pos across three frames of the same body.
  void click(ImVec2 pos, const std::function<void()>& body, bool bare = false);
  void pressKey(ImGuiKey key, const std::function<void()>& body);

  const std::vector<std::string>& errors() const { return errors_; }

 private:
  void finishFrame();

  ImGuiContext* context_ = nullptr;
  float previousScale_ = 1.0f;
  std::vector<std::string> errors_;
};

// The vertices a draw list gained while body ran.
std::vector<ImDrawVert> verticesAddedBy(ImDrawList* drawList, const std::function<void()>& body);

// Bounding box of the vertices of exactly this colour; false when there is none.
bool boundsOfColour(const std::vector<ImDrawVert>& vertices, ImU32 colour, ImVec2& min,
                    ImVec2& max);

}  // namespace scf
