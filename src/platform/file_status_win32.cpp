#include <windows.h>

#include "platform/file_status.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

enum class Kind { missing, folder, file, other };

// What stands at the path once links are followed, like stat on POSIX. The handle is opened
// without any access right, which reads nothing, waits for nothing and conflicts with no sharing
// mode; it tells a file on a disk from a device ("NUL", "CON") that only looks like one.
Kind kindOf(const std::string& path) {
  if (path.empty()) return Kind::missing;
  const std::wstring wide = widen(path);
  const HANDLE handle =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // Some system files refuse even that; their attributes still say what they are.
    const DWORD error = GetLastError();
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) ||
        !GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data)) {
      return Kind::missing;
    }
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::folder : Kind::file;
  }
  Kind kind = Kind::missing;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    kind = Kind::other;
  } else if (GetFileInformationByHandle(handle, &info)) {
    kind = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::folder : Kind::file;
  }
  CloseHandle(handle);
  return kind;
}

}  // namespace

bool pathExists(const std::string& path) {
  return kindOf(path) != Kind::missing;
}

bool isDirectory(const std::string& path) {
  return kindOf(path) == Kind::folder;
}

bool isRegularFile(const std::string& path) {
  return kindOf(path) == Kind::file;
}

}  // namespace scf
