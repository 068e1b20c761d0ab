#include <windows.h>

#include "platform/absolute_path.h"
#include "platform/utf16_win32.h"

namespace scf {

namespace {

bool isSeparator(char c) {
  return c == '\\' || c == '/';
}

bool hasDrive(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

std::string workingFolder() {
  const DWORD size = GetCurrentDirectoryW(0, nullptr);
  if (size == 0) return {};
  std::wstring folder(size, L'\0');
  const DWORD length = GetCurrentDirectoryW(size, folder.data());
  if (length == 0 || length >= size) return {};
  folder.resize(length);
  return narrow(folder);
}

// "C:" of a folder on a drive, "\\server\share" of a network folder.
std::string rootOf(const std::string& folder) {
  if (hasDrive(folder)) return folder.substr(0, 2);
  if (folder.size() > 2 && isSeparator(folder[0]) && isSeparator(folder[1])) {
    size_t end = folder.find_first_of("\\/", 2);
    if (end != std::string::npos) end = folder.find_first_of("\\/", end + 1);
    return folder.substr(0, end);
  }
  return {};
}

}  // namespace

std::string absolutePath(const std::string& path) {
  if (path.empty()) return path;
  // A drive with its root ("C:\", "C:/"), or a network or device path ("\\server\share",
  // "\\?\C:\"), is absolute already.
  if (hasDrive(path) && path.size() >= 3 && isSeparator(path[2])) return path;
  if (path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1])) return path;
  // The folder is only put in front: folding "link\.." away would change the meaning of a
  // path that goes through a symbolic link or a junction.
  const std::string folder = workingFolder();
  if (folder.empty()) return path;
  // "\dir" is rooted on the working folder's drive.
  if (isSeparator(path[0])) {
    const std::string root = rootOf(folder);
    return root.empty() ? path : root + path;
  }
  std::string base = folder;
  std::string rest = path;
  if (hasDrive(path)) {
    // "D:dir" is relative to that drive's folder: ours when it is the same drive, else its root
    // (the per-drive working folders are a leftover of the command prompt).
    rest = path.substr(2);
    const bool sameDrive = hasDrive(folder) && (folder[0] | 0x20) == (path[0] | 0x20);
    if (!sameDrive) base = path.substr(0, 2) + "\\";
  }
  if (!isSeparator(base.back())) base += '\\';
  return base + rest;
}

}  // namespace scf
