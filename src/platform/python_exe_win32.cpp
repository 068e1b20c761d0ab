#include <windows.h>

#include "platform/env.h"
#include "platform/file_status.h"
#include "platform/python_exe.h"
#include "platform/utf16_win32.h"
#include "platform/utf8_path.h"

namespace scf {

namespace {

std::string fullPath(const std::string& path) {
  const std::wstring wide = widen(path);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length =
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= full.size()) return path;
  full.resize(length);
  return narrow(full);
}

std::string findOnPath(const std::string& name) {
  // Only the folders PATH names are searched, not the working folder: a python.exe lying where
  // the launcher was started from is no installed interpreter.
  const std::string path = getEnv("PATH");
  size_t start = 0;
  while (start < path.size()) {
    size_t end = path.find(';', start);
    if (end == std::string::npos) end = path.size();
    std::string folder = path.substr(start, end - start);
    start = end + 1;
    // Entries may be quoted, as folders with a ";" in their names must be.
    if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"') {
      folder = folder.substr(1, folder.size() - 2);
    }
    if (folder.empty()) continue;
    if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
    const std::string candidate = folder + name;
    if (isRegularFile(candidate)) return fullPath(candidate);
  }
  return {};
}

}  // namespace

std::string findPythonExe(const std::string& releaseDir) {
  const std::filesystem::path shipped = utf8Path(releaseDir) / "kit" / "python";
  if (isDirectory(utf8String(shipped))) return utf8String(shipped / "python.exe");
  return findOnPath("python.exe");
}

}  // namespace scf
