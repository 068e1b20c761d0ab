#pragma once

#include <string>
#include <string_view>

namespace scf {

// A program's file name from its bare name: "scf" stays "scf" where programs carry no
// extension, and becomes "scf.exe" on Windows.
std::string executableName(std::string_view base);

}  // namespace scf
