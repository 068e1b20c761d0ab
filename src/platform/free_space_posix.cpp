#include <limits.h>
#include <stdlib.h>
#include <sys/statvfs.h>

#include <filesystem>
#include <memory>

#include "platform/free_space.h"

namespace scf {

namespace {

// The path with every symbolic link resolved, or empty.
std::string resolved(const std::string& path) {
  const std::unique_ptr<char, decltype(&::free)> real(::realpath(path.c_str(), nullptr), ::free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace

std::uint64_t volumeFreeBytes(const std::string& path) {
  if (path.empty()) return 0;
  std::filesystem::path probe(path);
  std::string real = resolved(probe.string());
  // The build makes its folders as it goes: ask the volume of the nearest one that exists.
  while (real.empty()) {
    std::filesystem::path parent = probe.parent_path();
    if (parent.empty()) parent = ".";
    if (parent == probe) break;
    probe = parent;
    real = resolved(probe.string());
  }
  if (real.empty()) return 0;
  struct statvfs volume {};
  if (::statvfs(real.c_str(), &volume) != 0) return 0;
  return static_cast<std::uint64_t>(volume.f_bavail) * static_cast<std::uint64_t>(volume.f_frsize);
}

}  // namespace scf
