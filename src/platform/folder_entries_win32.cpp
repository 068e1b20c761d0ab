#include <windows.h>

#include "platform/folder_entries.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

std::int64_t unixSeconds(const FILETIME& time) {
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  // 100 ns ticks since 1601.
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

std::wstring withSeparator(const std::string& folder) {
  std::wstring wide = widen(folder);
  if (!wide.empty() && wide.back() != L'\\' && wide.back() != L'/') wide += L'\\';
  return wide;
}

}  // namespace

bool readFolder(const std::string& folder, const std::function<bool(const FolderEntry&)>& each) {
  const std::wstring pattern = withSeparator(folder) + L"*";
  WIN32_FIND_DATAW item{};
  const HANDLE find = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &item,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) return false;
  FolderEntry entry;
  do {
    const std::wstring_view wide(item.cFileName);
    if (wide == L"." || wide == L"..") continue;
    entry.name = narrow(wide);
    const DWORD attributes = item.dwFileAttributes;
    entry.hidden = (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0 ||
                   entry.name.front() == '.';
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // Symbolic links and junctions lead out of the tree: never followed.
      entry.kind = FolderEntry::Kind::other;
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      entry.kind = FolderEntry::Kind::folder;
    } else if (attributes & FILE_ATTRIBUTE_DEVICE) {
      entry.kind = FolderEntry::Kind::other;
    } else {
      entry.kind = FolderEntry::Kind::file;
    }
    if (!each(entry)) break;
  } while (FindNextFileW(find, &item));
  FindClose(find);
  return true;
}

std::optional<RegularFileFacts> regularFileFacts(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(widen(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  if (data.dwFileAttributes &
      (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) {
    return std::nullopt;
  }
  const std::uint64_t size =
      (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return RegularFileFacts{size, unixSeconds(data.ftLastWriteTime)};
}

}  // namespace scf
