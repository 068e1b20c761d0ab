#include "release/ini_file.h"

#include <optional>
#include <string_view>

#include "platform/file_read.h"

namespace scf {

namespace {

constexpr std::string_view kBlanks = " \t\r";

std::string_view trimmed(std::string_view text, std::string_view blanks) {
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

}  // namespace

IniFile readIniFile(const std::string& path, bool stripComments) {
  IniFile result;
  const std::optional<std::string> text = readSmallFile(path, kTextFileLimit);
  if (!text) return result;
  result.opened = true;
  forEachLine(*text, [&](std::string_view line) {
    if (stripComments) line = line.substr(0, line.find('#'));
    line = trimmed(line, kBlanks);
    if (line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '[') return;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view key = trimmed(line.substr(0, equals), kBlanks);
    const std::string_view value = trimmed(line.substr(equals + 1), kBlanks);
    result.values[std::string(key)] = std::string(value);
  });
  return result;
}

std::string iniValue(const std::string& path, const std::string& key) {
  const std::optional<std::string> text = readSmallFile(path, kTextFileLimit);
  if (!text) return {};
  std::string found;
  bool done = false;
  forEachLine(*text, [&](std::string_view line) {
    if (done) return;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos || line.front() == '#') return;
    std::string_view name = line.substr(0, equals);
    const size_t nameEnd = name.find_last_not_of(" \t");
    name = nameEnd == std::string_view::npos ? std::string_view() : name.substr(0, nameEnd + 1);
    if (name != key) return;
    std::string_view value = line.substr(equals + 1);
    const size_t valueStart = value.find_first_not_of(" \t");
    value = valueStart == std::string_view::npos ? std::string_view() : value.substr(valueStart);
    found = std::string(value);
    done = true;
  });
  return found;
}

}  // namespace scf
