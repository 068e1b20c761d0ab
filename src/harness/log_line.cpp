#include "harness/log_line.h"

#include <cstdio>

namespace scf {

std::string fillFormat(const std::string& format, const std::string& a, const std::string& b) {
  std::string out;
  out.reserve(format.size() + a.size() + b.size());
  int used = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 >= format.size()) {
      out += c;
      continue;
    }
    const char next = format[i + 1];
    if (next == 's') {
      out += used == 0 ? a : used == 1 ? b : std::string();
      ++used;
      ++i;
    } else if (next == '%') {
      out += '%';
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}

std::string logLineText(double elapsed, const std::string& format, const std::string& a,
                        const std::string& b) {
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "[%8.1f] ", elapsed);
  return prefix + fillFormat(format, a, b);
}

std::string fixedSix(double value) {
  char text[400];
  std::snprintf(text, sizeof text, "%f", value);
  return text;
}

}  // namespace scf
