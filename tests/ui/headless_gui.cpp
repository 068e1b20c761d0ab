#include "headless_gui.h"

#include <algorithm>

#include "app/window.h"
#include "imgui_internal.h"
#include "ui/headless_textures.h"
#include "ui/look_and_feel.h"

namespace scf {

HeadlessGui::HeadlessGui(float scale, ImVec2 display) {
  previousScale_ = uiScale;
  uiScale = scale;
  context_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(context_);
  ImGuiIO& io = ImGui::GetIO();
  io.DisplaySize = display;
  io.DeltaTime = 1.0f / 60.0f;
  io.BackendFlags |= ImGuiBackendFlags_RendererHasTextures;
  context_->ErrorCallback = [](ImGuiContext*, void* self, const char* message) {
    static_cast<HeadlessGui*>(self)->errors_.emplace_back(message);
  };
  context_->ErrorCallbackUserData = this;
  ImGui::StyleColorsDark();
  applyLookAndFeel();
}

HeadlessGui::~HeadlessGui() {
  ImGui::DestroyContext(context_);
  uiScale = previousScale_;
}

void HeadlessGui::sharpEdges() {
  ImGuiStyle& style = ImGui::GetStyle();
  style.AntiAliasedFill = false;
  style.AntiAliasedLines = false;
  style.AntiAliasedLinesUseTex = false;
}

void HeadlessGui::finishFrame() {
  ImGui::Render();
  acceptTextureRequests();
}

void HeadlessGui::bareFrame(const std::function<void()>& body) {
  ImGui::NewFrame();
  body();
  finishFrame();
}

void HeadlessGui::frame(const std::function<void()>& body) {
  bareFrame([&] {
    ImGui::SetNextWindowPos(ImVec2(0.0f, 0.0f));
    ImGui::SetNextWindowSize(ImGui::GetIO().DisplaySize);
    ImGui::Begin("##test", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoBackground |
                     ImGuiWindowFlags_NoSavedSettings);
    body();
    ImGui::End();
  });
}

void HeadlessGui::moveMouse(ImVec2 pos) {
  ImGui::GetIO().AddMousePosEvent(pos.x, pos.y);
}

void HeadlessGui::click(ImVec2 pos, const std::function<void()>& body, bool bare) {
  auto run = [&] { bare ? bareFrame(body) : frame(body); };
  moveMouse(pos);
  // The second frame of a new window applies keyboard navigation's first pick, which would
  // take a press made in that frame for a keyboard one.
  run();
  run();
  ImGui::GetIO().AddMouseButtonEvent(ImGuiMouseButton_Left, true);
  run();
  ImGui::GetIO().AddMouseButtonEvent(ImGuiMouseButton_Left, false);
  run();
}

void HeadlessGui::pressKey(ImGuiKey key, const std::function<void()>& body) {
  ImGui::GetIO().AddKeyEvent(key, true);
  bareFrame(body);
  ImGui::GetIO().AddKeyEvent(key, false);
  bareFrame(body);
}

std::vector<ImDrawVert> verticesAddedBy(ImDrawList* drawList, const std::function<void()>& body) {
  const int first = drawList->VtxBuffer.Size;
  body();
  return {drawList->VtxBuffer.Data + first, drawList->VtxBuffer.Data + drawList->VtxBuffer.Size};
}

bool boundsOfColour(const std::vector<ImDrawVert>& vertices, ImU32 colour, ImVec2& min,
                    ImVec2& max) {
  bool found = false;
  for (const ImDrawVert& vertex : vertices) {
    if (vertex.col != colour) continue;
    if (!found) {
      min = max = vertex.pos;
      found = true;
    }
    min = ImMin(min, vertex.pos);
    max = ImMax(max, vertex.pos);
  }
  return found;
}

}  // namespace scf
