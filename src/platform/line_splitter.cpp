#include "platform/line_splitter.h"

#include <cstring>
#include <string_view>

namespace scf {

void LineSplitter::scan(const char* data, std::size_t size) {
  data_ = data;
  size_ = size;
  cut_ = 0;
  contentEnds.clear();
  // Only the new bytes are searched, so a long line arriving in small pieces stays linear.
  const std::size_t lastFeed = std::string_view(data, size).rfind('\n');
  if (lastFeed == std::string_view::npos) return;
  cut_ = lastFeed + 1;
  const char* at = data;
  const char* stop = data + cut_;
  while (at < stop) {
    const auto* feedChar =
        static_cast<const char*>(std::memchr(at, '\n', static_cast<std::size_t>(stop - at)));
    // The byte before the line feed belongs to this line: in data, or at the end of pending
    // when the line began in an earlier piece.
    bool carriageReturn =
        feedChar > data ? feedChar[-1] == '\r' : !pending.empty() && pending.back() == '\r';
    contentEnds.push_back(pending.size() + static_cast<std::size_t>(feedChar - data) -
                          (carriageReturn ? 1 : 0));
    at = feedChar + 1;
  }
}

void LineSplitter::addTo(LineBatch& lines) {
  if (cut_ == 0) {
    pending.append(data_, size_);
  } else {
    lines.appendText(pending, std::string_view(data_, cut_), contentEnds);
    pending.assign(data_ + cut_, size_ - cut_);
  }
  data_ = nullptr;
  size_ = 0;
  cut_ = 0;
  contentEnds.clear();
}

void LineSplitter::finish(LineBatch& lines) {
  if (pending.empty()) return;
  lines.push(pending);
  pending.clear();
}

}  // namespace scf
