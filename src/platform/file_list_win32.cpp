#include <windows.h>

#include <limits>

#include "platform/file_list.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

char asciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Suffixes are compared without regard to ASCII case: a game may well write CRASH.TXT.
bool endsWith(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    if (asciiLower(tail[i]) != asciiLower(suffix[i])) return false;
  }
  return true;
}

std::int64_t ticks(const FILETIME& time) {
  const std::uint64_t value =
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  // Times past what the system itself accepts count as the last, never as a wrapped-round one.
  constexpr std::uint64_t last = std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(value > last ? last : value);
}

// A link names whatever it points to: a link to a report counts as the report, a dangling
// link or a link to a folder counts as nothing. Opening without access rights reads nothing.
bool followLink(const std::wstring& path, FILETIME& writeTime) {
  const HANDLE handle =
      CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool file = GetFileType(handle) == FILE_TYPE_DISK &&
                    GetFileInformationByHandle(handle, &info) &&
                    (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(handle);
  if (file) writeTime = info.ftLastWriteTime;
  return file;
}

}  // namespace

std::vector<FileEntry> listFiles(const std::string& folder, std::string_view suffix) {
  std::vector<FileEntry> entries;
  if (folder.empty()) return entries;
  const std::wstring wideFolder = widen(folder);
  // The pattern only narrows the listing: it matches without regard to case and also matches
  // short 8.3 names, so each name is checked against the suffix again below.
  const std::wstring pattern = wideFolder + L"\\*" + widen(suffix);
  WIN32_FIND_DATAW item{};
  const HANDLE find = FindFirstFileW(pattern.c_str(), &item);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    const std::string name = narrow(item.cFileName);
    if (!endsWith(name, suffix)) continue;
    if (item.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
    FILETIME writeTime = item.ftLastWriteTime;
    if ((item.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        !followLink(wideFolder + L"\\" + item.cFileName, writeTime)) {
      continue;
    }
    entries.push_back({folder + "\\" + name, ticks(writeTime)});
  } while (FindNextFileW(find, &item));
  FindClose(find);
  return entries;
}

}  // namespace scf
