#include <windows.h>

#include <cstdlib>

#include "platform/env.h"
#include "platform/utf16_win32.h"

namespace scf {

std::string getEnv(const std::string& name) {
  const std::wstring wideName = widen(name);
  std::wstring value(64, L'\0');
  for (;;) {
    SetLastError(ERROR_SUCCESS);
    const DWORD length =
        GetEnvironmentVariableW(wideName.c_str(), value.data(), static_cast<DWORD>(value.size()));
    if (length == 0) return {};  // unset, or set but empty
    // Too small: the length needed, its terminating null included, comes back instead.
    if (length < value.size()) {
      value.resize(length);
      return narrow(value);
    }
    value.resize(length);
  }
}

void setEnv(const std::string& name, const std::string& value) {
  const std::wstring wideName = widen(name);
  const std::wstring wideValue = widen(value);
  // The C runtime keeps its own copy, read by getenv (and by libraries that use it); update it
  // first, since it also writes the process environment, which the call below then settles.
  (void)_wputenv_s(wideName.c_str(), wideValue.c_str());
  // The process environment is what children inherit: an empty value removes the variable.
  SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : wideValue.c_str());
}

}  // namespace scf
