#pragma once

#include <string>

namespace scf {

// The path made absolute against the working folder and normalised; empty stays empty, and a
// path that cannot be made absolute is returned as it is. Children run in their own working
// folder, so every path handed to one must not depend on ours.
std::string absolutePath(const std::string& path);

}  // namespace scf
