#include "update/version_compare.h"

#include <cstdio>

namespace scf {
namespace {

struct Version {
  bool parsed = false;
  int major = 0;
  int minor = 0;
  int patch = 0;
  std::string suffix;
};

Version parseVersion(std::string_view text) {
  Version version;
  if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.remove_prefix(1);
  text = text.substr(0, text.find('+'));  // build metadata does not count
  std::string core(text);
  if (const std::size_t dash = text.find('-'); dash != std::string_view::npos) {
    version.suffix = std::string(text.substr(dash + 1));
    core = std::string(text.substr(0, dash));
  }
  version.parsed =
      std::sscanf(core.c_str(), "%d.%d.%d", &version.major, &version.minor, &version.patch) == 3;
  return version;
}

}  // namespace

std::string scanTagName(std::string_view body) {
  constexpr std::string_view key = "\"tag_name\"";
  std::size_t at = body.find(key);
  if (at == std::string_view::npos) return {};
  at = body.find(':', at + key.size());
  if (at == std::string_view::npos) return {};
  ++at;
  while (at < body.size() &&
         (body[at] == ' ' || body[at] == '\t' || body[at] == '\r' || body[at] == '\n')) {
    ++at;
  }
  if (at >= body.size() || body[at] != '"') return {};
  const std::size_t end = body.find('"', at + 1);
  if (end == std::string_view::npos) return {};
  return std::string(body.substr(at + 1, end - at - 1));
}

bool validTag(std::string_view tag) {
  constexpr std::string_view allowed =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-+";
  if (tag.empty() || tag.size() > 63) return false;
  return tag.find_first_not_of(allowed) == std::string_view::npos;
}

bool tagIsNewer(std::string_view tag, std::string_view running) {
  const Version candidate = parseVersion(tag);
  const Version current = parseVersion(running);
  if (!candidate.parsed) return false;
  if (!current.parsed) return true;
  if (candidate.major != current.major) return candidate.major > current.major;
  if (candidate.minor != current.minor) return candidate.minor > current.minor;
  if (candidate.patch != current.patch) return candidate.patch > current.patch;
  if (candidate.suffix.empty() != current.suffix.empty()) return candidate.suffix.empty();
  return candidate.suffix > current.suffix;
}

std::string versionOfTag(std::string_view tag) {
  if (!tag.empty() && (tag.front() == 'v' || tag.front() == 'V')) tag.remove_prefix(1);
  return std::string(tag);
}

}  // namespace scf
