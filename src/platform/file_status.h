#pragma once

#include <string>

namespace scf {

// File-system status queries; an error of any kind counts as "does not exist". They never throw.
bool pathExists(const std::string& path);
bool isDirectory(const std::string& path);
bool isRegularFile(const std::string& path);

}  // namespace scf
