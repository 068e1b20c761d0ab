#include "ui/dialogs/notes.h"

namespace scf {

std::string stripInline(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '`') {
      ++i;
    } else if (c == '*' && i + 1 < text.size() && text[i + 1] == '*') {
      i += 2;
    } else if (c == '[') {
      const std::size_t close = text.find("](", i + 1);
      const std::size_t end =
          close == std::string_view::npos ? std::string_view::npos : text.find(')', close + 2);
      if (end == std::string_view::npos) {
        out += c;
        ++i;
      } else {
        out += stripInline(text.substr(i + 1, close - i - 1));
        i = end + 1;
      }
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

std::vector<std::string> gatherNoteEntries(std::string_view text) {
  std::vector<std::string> entries;
  std::size_t start = 0;
  while (true) {
    const std::size_t newline = text.find('\n', start);
    std::string_view line = text.substr(
        start, newline == std::string_view::npos ? std::string_view::npos : newline - start);
    // A change log saved with Windows line ends reads the same.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::size_t firstText = line.find_first_not_of(' ');
    if (firstText == std::string_view::npos) {
      entries.emplace_back();
    } else if (firstText >= 2 && !entries.empty() && !entries.back().empty()) {
      entries.back() += ' ';
      entries.back() += line.substr(firstText);
    } else {
      entries.emplace_back(line);
    }

    if (newline == std::string_view::npos) break;
    start = newline + 1;
  }
  return entries;
}

}  // namespace scf
