#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/env.h"
#include "platform/file_status.h"
#include "platform/python_exe.h"

namespace scf {

namespace {

std::string findOnPath(const std::string& name) {
  // Without a PATH the usual system folders are searched, not the working folder: a "python3"
  // lying where the launcher was started from is no installed interpreter.
  std::string path = getEnv("PATH");
  if (path.empty()) path = "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    // An empty PATH entry means the working folder.
    std::string candidate = end == start ? std::string(".") : path.substr(start, end - start);
    candidate += '/';
    candidate += name;
    if (isRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) {
      std::error_code error;
      const std::filesystem::path full = std::filesystem::absolute(candidate, error);
      return error ? candidate : full.lexically_normal().string();
    }
    start = end + 1;
  }
  return {};
}

}  // namespace

std::string findPythonExe(const std::string& releaseDir) {
  const std::filesystem::path shipped = std::filesystem::path(releaseDir) / "kit" / "python";
  if (isDirectory(shipped.string())) return (shipped / "bin" / "python3").string();
  return findOnPath("python3");
}

}  // namespace scf
