#pragma once

#include <string>
#include <vector>

namespace scf {

// Common fixed-width font files of the desktop, most preferred first.
std::vector<std::string> fixedWidthFontCandidates();

// The first of the paths that exists, or an empty string.
std::string firstExistingFile(const std::vector<std::string>& paths);

// The fixed-width font used for detail text; empty when the desktop has none of the candidates.
std::string fixedWidthFontPath();

}  // namespace scf
