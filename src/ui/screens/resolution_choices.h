#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace scf {

// A window or video-mode size: width, height.
using Resolution = std::pair<std::int32_t, std::int32_t>;

// The sizes the Settings tab offers for a monitor of this size, sorted by width then height:
// the common 4:3 and 16:9 sizes that fit it, plus its own size. A monitor width of 0 or less
// (unknown) offers every common size.
std::vector<Resolution> resolutionChoices(int monitorWidth, int monitorHeight);

}  // namespace scf
