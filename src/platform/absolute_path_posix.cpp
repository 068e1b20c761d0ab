#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

#include "platform/absolute_path.h"

namespace scf {

std::string absolutePath(const std::string& path) {
  if (path.empty() || path.front() == '/') return path;
  // The folder is only put in front: folding "link/.." away would change the meaning of a
  // path that goes through a symbolic link.
  std::vector<char> folder(4096);
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE || folder.size() > (std::size_t{1} << 20)) return path;
    folder.resize(folder.size() * 2);
  }
  std::string full = folder.data();
  if (full.back() != '/') full += '/';
  return full + path;
}

}  // namespace scf
