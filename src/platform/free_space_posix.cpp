#include <sys/statvfs.h>

#include <filesystem>

#include "platform/free_space.h"

namespace scf {

std::uint64_t volumeFreeBytes(const std::string& path) {
  if (path.empty()) return 0;
  // statvfs follows every link on the way itself. The build makes its folders as it goes: a
  // path not made yet asks the volume of the nearest parent that exists.
  std::filesystem::path probe(path);
  struct statvfs volume {};
  while (::statvfs(probe.c_str(), &volume) != 0) {
    std::filesystem::path parent = probe.parent_path();
    if (parent.empty()) parent = ".";
    if (parent == probe) return 0;
    probe = parent;
  }
  return static_cast<std::uint64_t>(volume.f_bavail) * static_cast<std::uint64_t>(volume.f_frsize);
}

}  // namespace scf
