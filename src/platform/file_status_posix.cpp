#include <sys/stat.h>

#include "platform/file_status.h"

namespace scf {

namespace {

bool statPath(const std::string& path, struct stat& info) {
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

}  // namespace

bool pathExists(const std::string& path) {
  struct stat info {};
  return statPath(path, info);
}

bool isDirectory(const std::string& path) {
  struct stat info {};
  return statPath(path, info) && S_ISDIR(info.st_mode);
}

bool isRegularFile(const std::string& path) {
  struct stat info {};
  return statPath(path, info) && S_ISREG(info.st_mode);
}

}  // namespace scf
