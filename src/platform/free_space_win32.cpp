#include <windows.h>

#include <filesystem>

#include "platform/file_status.h"
#include "platform/free_space.h"
#include "platform/utf16_win32.h"
#include "platform/utf8_path.h"

namespace scf {

namespace {

// The folder's final path, every link and junction on the way followed, or empty.
std::wstring finalFolder(const std::wstring& folder) {
  const HANDLE handle =
      CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (length >= path.size()) {
    path.resize(length + 1);
    length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  }
  CloseHandle(handle);
  if (length == 0 || length >= path.size()) return {};
  path.resize(length);
  return path;
}

}  // namespace

std::uint64_t volumeFreeBytes(const std::string& path) {
  if (path.empty()) return 0;
  // The build makes its folders as it goes: ask the volume of the nearest folder that exists.
  std::filesystem::path probe = utf8Path(path);
  while (!isDirectory(utf8String(probe))) {
    std::filesystem::path parent = probe.parent_path();
    if (parent.empty()) parent = ".";
    if (parent == probe) return 0;
    probe = parent;
  }
  const std::wstring folder = widen(utf8String(probe));
  std::wstring real = finalFolder(folder);
  if (real.empty()) real = folder;
  if (real.back() != L'\\' && real.back() != L'/') real += L'\\';
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(real.c_str(), &available, nullptr, nullptr)) return 0;
  return available.QuadPart;
}

}  // namespace scf
