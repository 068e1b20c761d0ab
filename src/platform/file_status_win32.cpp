#include <windows.h>

#include "platform/file_status.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

enum class Kind { missing, folder, file, other };

// What stands at the path once links are followed, like stat on POSIX. The handle is opened
// without any access right, which neither reads nor waits and conflicts with no sharing mode;
// it serves only to follow a link and ask what is behind it.
Kind kindOf(const std::string& path) {
  if (path.empty()) return Kind::missing;
  const std::wstring wide = widen(path);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  const bool listed = GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) != 0;
  if (listed && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? Kind::folder : Kind::file;
  }
  const HANDLE handle =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return Kind::missing;
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
