#pragma once

#include <string>

namespace scf {

// "less than a minute left" below a minute, else "about N min left" for an estimate in seconds,
// padded by 30 % since the kit's stages tend to run over their weights.
std::string estimateText(double secondsLeft);

// The preparing screen's time line: "Elapsed m:ss", followed by the estimate when one is known
// (secondsLeft not negative).
std::string preparingTimeLine(double elapsedSeconds, double secondsLeft);

}  // namespace scf
