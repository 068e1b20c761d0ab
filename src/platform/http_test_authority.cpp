#include "platform/http_test_authority.h"

#include <mutex>

namespace scf {
namespace {

std::mutex& authorityMutex() {
  static std::mutex mutex;
  return mutex;
}

std::string& authorityFile() {
  static std::string file;
  return file;
}

}  // namespace

void setHttpTestAuthority(const std::string& pemFile) {
  std::lock_guard<std::mutex> lock(authorityMutex());
  authorityFile() = pemFile;
}

std::string httpTestAuthority() {
  std::lock_guard<std::mutex> lock(authorityMutex());
  return authorityFile();
}

}  // namespace scf
