#include "platform/utf16_win32.h"

#include <windows.h>

#include <climits>

namespace scf {

std::wstring widen(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int size = static_cast<int>(text.size());
  int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string narrow(std::wstring_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  int size = static_cast<int>(text.size());
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

}  // namespace scf
