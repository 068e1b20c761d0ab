#pragma once

#include <string>

namespace scf {

// The Python interpreter for the kit's scripts. A release that ships one (a "kit/python" folder)
// uses <releaseDir>/kit/python/bin/python3, whether or not that file is there, so a damaged kit
// is reported as such; otherwise the full path of the first executable python3 on PATH (the usual
// system folders when PATH is unset or empty); empty when there is none.
std::string findPythonExe(const std::string& releaseDir);

}  // namespace scf
