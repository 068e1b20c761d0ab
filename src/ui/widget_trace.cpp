#include "ui/widget_trace.h"

#include <cstring>

#include "imgui.h"

namespace scf {
namespace {

// The UI thread's alone.
std::string focusedNow;
std::string focusedLast;
std::string activated;
std::uint64_t activations = 0;

std::string shownLabel(const char* label) {
  const char* hashes = std::strstr(label, "##");
  return hashes ? std::string(label, hashes) : std::string(label);
}

}  // namespace

void traceItem(const char* label, bool wasActivated) {
  traceNamedItem(shownLabel(label), wasActivated);
}

void traceNamedItem(const std::string& shown, bool wasActivated) {
  if (ImGui::IsItemFocused()) focusedNow = shown;
  if (wasActivated) {
    activated = shown;
    ++activations;
  }
}

void traceActivation(const char* label) {
  activated = shownLabel(label);
  ++activations;
}

void endTraceFrame() {
  focusedLast = focusedNow;
  focusedNow.clear();
}

std::string focusedWidget() {
  return focusedLast;
}

std::string lastActivatedWidget() {
  return activated;
}

std::uint64_t activationCount() {
  return activations;
}

}  // namespace scf
