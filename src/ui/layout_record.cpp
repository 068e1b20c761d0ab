#include "ui/layout_record.h"

#include "imgui_internal.h"

namespace scf {
namespace {

struct Recorder {
  bool on = false;
  LayoutPart part = LayoutPart::card;
  bool inScrollBody = false;
  std::vector<LayoutRect> rects;
  CardBodyRecord card;
};

Recorder recorder;

}  // namespace

void startLayoutRecord() {
  recorder = Recorder{};
  recorder.on = true;
}

void stopLayoutRecord() {
  recorder.on = false;
}

bool layoutRecording() {
  return recorder.on;
}

const std::vector<LayoutRect>& layoutRecord() {
  return recorder.rects;
}

CardBodyRecord& cardBodyRecord() {
  return recorder.card;
}

void setLayoutPart(LayoutPart part) {
  recorder.part = part;
}

void setInScrollBody(bool inside) {
  recorder.inScrollBody = inside;
}

void recordLayout(const char* what, ImVec2 min, ImVec2 max) {
  if (!recorder.on) return;
  LayoutRect rect;
  rect.what = what != nullptr ? what : "";
  rect.min = min;
  rect.max = max;
  rect.part = recorder.part;
  rect.inScrollBody = recorder.inScrollBody;
  const ImGuiWindow* window = ImGui::GetCurrentWindowRead();
  if (window != nullptr) {
    rect.clipMin = window->ClipRect.Min;
    rect.clipMax = window->ClipRect.Max;
  }
  recorder.rects.push_back(rect);
}

void recordLastItem(const char* what) {
  if (!recorder.on) return;
  recordLayout(what, ImGui::GetItemRectMin(), ImGui::GetItemRectMax());
}

}  // namespace scf
