#include "release/changelog.h"

#include <optional>
#include <string_view>

#include "platform/file_read.h"
#include "release/ini_file.h"

namespace scf {

namespace {

std::string_view withoutV(std::string_view version) {
  if (!version.empty() && (version.front() == 'v' || version.front() == 'V')) {
    version.remove_prefix(1);
  }
  return version;
}

// "## [0.9.0] - 2026-01-02" names 0.9.0.
std::string_view headingVersion(std::string_view heading) {
  std::string_view rest = heading.substr(3);
  const size_t start = rest.find_first_not_of(" [");
  if (start == std::string_view::npos) return {};
  rest.remove_prefix(start);
  return withoutV(rest.substr(0, rest.find_first_of(" ]\t")));
}

bool isLinkDefinition(std::string_view line) {
  return line.starts_with('[') && line.find("]: ") != std::string_view::npos;
}

}  // namespace

std::string changelogSection(const std::string& path, const std::string& version) {
  const std::optional<std::string> text = readSmallFile(path, kChangelogLimit);
  if (!text) return {};
  const std::string_view wanted = withoutV(version);
  bool found = false;
  bool finished = false;
  std::string section;
  forEachLine(*text, [&](std::string_view line) {
    if (finished) return;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() >= 3 && line.starts_with("## ")) {
      if (found) {
        finished = true;
      } else {
        found = headingVersion(line) == wanted;
      }
      return;
    }
    if (!found || isLinkDefinition(line)) return;
    section.append(line);
    section += '\n';
  });
  const size_t first = section.find_first_not_of(" \t\n");
  if (first == std::string::npos) return {};
  const size_t last = section.find_last_not_of(" \t\n");
  return section.substr(first, last - first + 1);
}

}  // namespace scf
