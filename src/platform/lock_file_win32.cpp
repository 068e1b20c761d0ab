#include <windows.h>

#include "platform/lock_file.h"
#include "platform/utf16_win32.h"

namespace scf {

bool createFileExclusively(const std::string& path, const std::string& text) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                            nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(file);
  return true;
}

bool processAlive(std::uint32_t processId) {
  if (processId == 0) return false;
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;
  DWORD code = 0;
  const bool alive = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return alive;
}

std::uint32_t currentProcessId() {
  return static_cast<std::uint32_t>(GetCurrentProcessId());
}

}  // namespace scf
