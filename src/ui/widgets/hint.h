#pragma once

namespace scf {

// A short text beside the last drawn item while it is hovered (even when disabled) or has the
// keyboard focus.
void hoverHint(const char* text);

}  // namespace scf
