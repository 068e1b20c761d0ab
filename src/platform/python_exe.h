#pragma once

#include <string>

namespace scf {

// The Python interpreter for the kit's scripts. A release that ships one (a "kit/python" folder)
// uses it, whether or not the file is there, so a damaged kit is reported as such:
// <releaseDir>/kit/python/bin/python3 on Linux, <releaseDir>\kit\python\python.exe on Windows.
// Otherwise the full path of the first python3 (python.exe) on PATH, the usual system folders
// when PATH is unset or empty on Linux; empty when there is none.
std::string findPythonExe(const std::string& releaseDir);

}  // namespace scf
