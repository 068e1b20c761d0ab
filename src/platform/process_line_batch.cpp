#include "platform/process_line_batch.h"

namespace scf {

void LineBatch::append(const LineBatch& more) {
  std::size_t shift = text_.size();
  text_.append(more.text_.data(), more.text_.size());
  ends_.reserve(ends_.size() + more.ends_.size());
  for (std::size_t i = 0; i < more.ends_.size(); ++i)
    ends_.push(shift + more.ends_[i]);
}

void LineBatch::appendText(std::string_view first, std::string_view second,
                           const std::vector<std::size_t>& contentEnds) {
  std::size_t shift = text_.size();
  text_.reserve(shift + first.size() + second.size());
  text_.append(first.data(), first.size());
  text_.append(second.data(), second.size());
  ends_.reserve(ends_.size() + contentEnds.size());
  for (std::size_t end : contentEnds)
    ends_.push(shift + end);
}

std::vector<std::string> LineBatch::strings() const {
  std::vector<std::string> lines;
  lines.reserve(size());
  for (std::string_view line : *this)
    lines.emplace_back(line);
  return lines;
}

}  // namespace scf
