#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/exe_path.h"

namespace scf {

namespace {

std::string readSelfLink() {
  std::string buffer(260, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length <= 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      return buffer;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::string exePath() {
  std::string path = readSelfLink();
  // Once an update has replaced the running file, the kernel names the old one "<path> (deleted)";
  // the restart after an update needs the path where the new executable now lives.
  static constexpr std::string_view kDeleted = " (deleted)";
  if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
    std::error_code error;
    if (!std::filesystem::exists(path, error)) path.resize(path.size() - kDeleted.size());
  }
  return path;
}

std::string exeFolder() {
  const std::string path = exePath();
  if (path.empty()) return ".";
  return std::filesystem::path(path).parent_path().string();
}

}  // namespace scf
