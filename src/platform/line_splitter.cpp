#include "platform/line_splitter.h"

#include <cstring>

namespace scf {

namespace {

void pushLine(std::string&& line, std::vector<std::string>& lines) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  lines.push_back(std::move(line));
}

}  // namespace

void LineSplitter::feed(const char* data, std::size_t size, std::vector<std::string>& lines) {
  const char* end = data + size;
  const char* start = data;
  // Only the new bytes are searched, so a long line arriving in small pieces stays linear.
  while (start < end) {
    const auto* feedChar =
        static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
    if (feedChar == nullptr) break;
    if (pending.empty()) {
      pushLine(std::string(start, feedChar), lines);
    } else {
      pending.append(start, feedChar);
      pushLine(std::move(pending), lines);
      pending.clear();
    }
    start = feedChar + 1;
  }
  pending.append(start, end);
}

void LineSplitter::finish(std::vector<std::string>& lines) {
  if (pending.empty()) return;
  lines.push_back(std::move(pending));
  pending.clear();
}

}  // namespace scf
