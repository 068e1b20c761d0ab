#include "platform/absolute_path.h"

#include <filesystem>
#include <system_error>

namespace scf {

std::string absolutePath(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  if (error) return path;
  std::string normal = full.lexically_normal().string();
  // lexically_normal keeps a trailing separator of a folder; the launcher's paths have none.
  if (normal.size() > 1 && normal.back() == '/') normal.pop_back();
  return normal;
}

}  // namespace scf
