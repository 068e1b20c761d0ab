#include <windows.h>

#include "platform/last_error.h"
#include "platform/utf16_win32.h"

namespace scf {

std::string errorText(int code) {
  wchar_t* message = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
  std::wstring text = length > 0 && message != nullptr ? std::wstring(message, length) : L"";
  if (message != nullptr) LocalFree(message);
  // System messages end in a full stop and "\r\n", and some in spaces.
  while (!text.empty() && (text.back() == L'.' || text.back() == L'\r' || text.back() == L'\n' ||
                           text.back() == L' ')) {
    text.pop_back();
  }
  if (text.empty()) return "error " + std::to_string(code);
  return narrow(text);
}

// On Windows the failing calls report through GetLastError, not errno.
std::string lastErrorText() {
  return errorText(static_cast<int>(GetLastError()));
}

}  // namespace scf
