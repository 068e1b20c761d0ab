#include "platform/process_line_batch.h"

namespace scf {

void LineBatch::append(const LineBatch& more) {
  std::size_t shift = text_.size();
  text_.append(more.text_);
  ends_.reserve(ends_.size() + more.ends_.size());
  for (std::size_t end : more.ends_)
    ends_.push_back(shift + end);
}

std::vector<std::string> LineBatch::strings() const {
  std::vector<std::string> lines;
  lines.reserve(size());
  for (std::string_view line : *this)
    lines.emplace_back(line);
  return lines;
}

}  // namespace scf
