#pragma once

#include <cstddef>
#include <string>

namespace scf {

// The most bytes a change log may hold: far above any real one. A larger file counts as
// unreadable.
constexpr size_t kChangelogLimit = size_t{4} << 20;

// The text under the "## <version>" heading of a keep-a-changelog file, trimmed, without
// reference-link definitions; empty when the file is missing or unreadable (too large, or not a
// plain file) or the version is missing. A leading "v" is ignored on both sides.
std::string changelogSection(const std::string& path, const std::string& version);

}  // namespace scf
