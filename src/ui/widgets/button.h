#pragma once

#include "imgui.h"

namespace scf {

enum class ButtonStyle { primary, secondary, danger, link };

// A custom-drawn button; size in pixels, where 0 means automatic on that axis. True on the frame
// it is clicked while enabled.
bool button(const char* label, ImVec2 size, ButtonStyle style, bool enabled = true,
            float fontPt = 20.0f);

// The width button() gives this label when its size leaves the width automatic; a button whose
// label changes takes the widest of its labels so it never moves what follows it.
float buttonWidth(const char* label, ButtonStyle style, float fontPt = 20.0f);

}  // namespace scf
