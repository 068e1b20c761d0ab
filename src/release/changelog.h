#pragma once

#include <string>

namespace scf {

// The text under the "## <version>" heading of a keep-a-changelog file, trimmed, without
// reference-link definitions; empty when the file or the version is missing. A leading "v" is
// ignored on both sides.
std::string changelogSection(const std::string& path, const std::string& version);

}  // namespace scf
