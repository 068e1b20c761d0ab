#pragma once

#include <cstdint>

#include "imgui.h"

namespace scf {

// What the GUI library remembers about the last item, as the custom widgets draw it.
struct ItemState {
  ImVec2 min;
  ImVec2 max;
  bool clicked = false;
  bool hovered = false;
  bool held = false;
  bool focused = false;
};

// An invisible button that keyboard navigation reaches; disabled ones never report a click.
ItemState invisibleItem(const char* id, ImVec2 size, bool enabled);

// Four translucent layers grown by 2.5, 5, 7.5 and 10 points: a cheap glow around a rectangle.
void glowLayers(ImDrawList* drawList, ImVec2 min, ImVec2 max, std::uint32_t rgb, float alphaBase,
                float baseRadius);

}  // namespace scf
