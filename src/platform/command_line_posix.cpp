#include "platform/command_line.h"

namespace scf {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  if (argc <= 1 || argv == nullptr) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

}  // namespace scf
