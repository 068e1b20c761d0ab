// shellapi.h needs the types windows.h declares: kept in this order.
// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/command_line.h"
#include "platform/utf16_win32.h"

namespace scf {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr) {
    // Nothing better to go on: argv is right at least for ASCII.
    if (argc <= 1 || argv == nullptr) return {};
    return std::vector<std::string>(argv + 1, argv + argc);
  }
  std::vector<std::string> arguments;
  for (int i = 1; i < count; ++i)
    arguments.push_back(narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

}  // namespace scf
