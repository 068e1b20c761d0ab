#include "platform/quote_argument.h"

namespace scf {

std::string quoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
    return argument;
  }
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') {
      quoted.append(2 * backslashes + 1, '\\');
    } else {
      quoted.append(backslashes, '\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  quoted += '"';
  return quoted;
}

std::string windowsCommandLine(const std::string& program,
                               const std::vector<std::string>& arguments) {
  std::string line = quoteArgument(program);
  for (const std::string& argument : arguments) {
    line += ' ';
    line += quoteArgument(argument);
  }
  return line;
}

}  // namespace scf
