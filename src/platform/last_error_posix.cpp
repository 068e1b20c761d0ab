#include <cerrno>
#include <cstring>

#include "platform/last_error.h"

namespace scf {

namespace {

// strerror_r's localised "Unknown error N" cannot be told from a real message by its text,
// so the code's symbolic name decides whether the system knows it.
bool systemKnows(int code) {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 32))
  return strerrorname_np(code) != nullptr;
#else
  return code > 0;
#endif
}

const char* messageOf(int code, char* buffer, std::size_t size) {
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
  return strerror_r(code, buffer, size);
#else
  return strerror_r(code, buffer, size) == 0 ? buffer : nullptr;
#endif
}

}  // namespace

std::string errorText(int code) {
  char buffer[256] = {};
  const char* message = systemKnows(code) ? messageOf(code, buffer, sizeof buffer) : nullptr;
  if (message == nullptr || *message == '\0') return "error " + std::to_string(code);
  std::string text = message;
  while (!text.empty() && (text.back() == '.' || text.back() == '\r' || text.back() == '\n')) {
    text.pop_back();
  }
  return text;
}

std::string lastErrorText() {
  return errorText(errno);
}

}  // namespace scf
