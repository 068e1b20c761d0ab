#include "platform/line_splitter.h"

#include <cstring>
#include <string_view>

namespace scf {

namespace {

void pushLine(std::string_view line, LineBatch& lines) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  lines.push(line);
}

}  // namespace

void LineSplitter::feed(const char* data, std::size_t size, LineBatch& lines) {
  const char* end = data + size;
  const char* start = data;
  // Only the new bytes are searched, so a long line arriving in small pieces stays linear.
  while (start < end) {
    const auto* feedChar =
        static_cast<const char*>(std::memchr(start, '\n', static_cast<std::size_t>(end - start)));
    if (feedChar == nullptr) break;
    if (pending.empty()) {
      pushLine(std::string_view(start, static_cast<std::size_t>(feedChar - start)), lines);
    } else {
      pending.append(start, feedChar);
      pushLine(pending, lines);
      pending.clear();
    }
    start = feedChar + 1;
  }
  pending.append(start, end);
}

void LineSplitter::finish(LineBatch& lines) {
  if (pending.empty()) return;
  lines.push(pending);
  pending.clear();
}

}  // namespace scf
