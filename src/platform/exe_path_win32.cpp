#include <windows.h>

#include "platform/exe_path.h"
#include "platform/utf16_win32.h"
#include "platform/utf8_path.h"

namespace scf {

std::string exePath() {
  std::wstring buffer(MAX_PATH, L'\0');
  // A path longer than the buffer is cut to fit and returns the full size: grow and ask again.
  while (buffer.size() <= (std::size_t{1} << 16)) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return narrow(buffer);
    }
    buffer.resize(buffer.size() * 2);
  }
  return {};
}

std::string exeFolder() {
  const std::string path = exePath();
  if (path.empty()) return ".";
  return utf8String(utf8Path(path).parent_path());
}

}  // namespace scf
