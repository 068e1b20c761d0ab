#pragma once

#include <string>

namespace scf {

// The last component of a path, after its last slash or backslash; the whole text when it has
// neither.
std::string fileNameOf(const std::string& path);

}  // namespace scf
