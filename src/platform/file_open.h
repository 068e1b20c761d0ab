#pragma once

#include <cstdio>
#include <string>

namespace scf {

// std::fopen for a UTF-8 path. On Windows fopen reads the name in the ANSI code page, so a
// name outside it would open another file or none; this opens the file the name says.
// Returns null on failure, like fopen.
std::FILE* openFile(const std::string& path, const char* mode);

}  // namespace scf
