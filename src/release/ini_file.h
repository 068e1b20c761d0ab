#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace scf {

// The most bytes a settings file, an identity file or the old-files list may hold: far above any
// real one. A larger file counts as unreadable, like a folder or a FIFO in its place.
constexpr size_t kTextFileLimit = size_t{1} << 20;

// The settings reader's result: whether the file could be read, and its keys in byte order.
struct IniFile {
  bool opened = false;
  std::map<std::string, std::string> values;
};

// Reads "key = value" lines; a later line with the same key replaces an earlier one. With
// stripComments, every line is cut at its first "#".
IniFile readIniFile(const std::string& path, bool stripComments);

// The value of the first line with that key in a release.ini-style file, or an empty string when
// the file is missing or unreadable or the key is missing. Unlike readIniFile, leading spaces of a
// key are kept.
std::string iniValue(const std::string& path, const std::string& key);

// The text split at "\n", without a final empty piece after a trailing "\n".
template <typename Visit>
void forEachLine(const std::string& text, Visit visit) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    visit(std::string_view(text).substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace scf
