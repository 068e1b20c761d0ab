#pragma once

#include <string>

namespace scf {

// Full path of the running executable, or an empty string when it cannot be obtained.
std::string exePath();

// Folder of the running executable, or "." when its path cannot be obtained.
std::string exeFolder();

}  // namespace scf
