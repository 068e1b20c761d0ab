#pragma once

#include <string>
#include <vector>

namespace scf {

// The arguments after the program's name, as UTF-8. On Windows argv holds them in the ANSI
// code page, where any other character is lost, so there they are read again from the
// process's own UTF-16 command line.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace scf
