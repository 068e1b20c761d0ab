#pragma once

#include <string_view>

namespace scf {

// Writes the bytes to standard output exactly as given and flushes: no line end is translated
// (the C runtime on Windows would otherwise turn "\n" into "\r\n" for a reader that parses lines).
void writeStandardOutput(std::string_view bytes);

}  // namespace scf
