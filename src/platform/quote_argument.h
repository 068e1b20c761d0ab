#pragma once

#include <string>
#include <vector>

namespace scf {

// Quotes one argument by the Windows command-line rule (the one CommandLineToArgvW and the
// C runtime undo). Works on UTF-8 bytes: every character the rule looks at is ASCII, and
// UTF-8 never uses ASCII bytes inside a longer character, so quoting before or after the
// UTF-16 conversion gives the same text.
std::string quoteArgument(const std::string& argument);

// The quoted program followed, for each argument, by one space and the quoted argument.
std::string windowsCommandLine(const std::string& program,
                               const std::vector<std::string>& arguments);

}  // namespace scf
