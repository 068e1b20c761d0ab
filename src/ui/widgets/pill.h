#pragma once

namespace scf {

// A rounded tab, toggle or choice; true on the frame it is clicked while enabled.
bool pill(const char* label, bool selected, float fontPt = 18.0f, bool enabled = true);

}  // namespace scf
