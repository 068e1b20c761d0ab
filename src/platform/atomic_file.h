#pragma once

#include <string>

namespace scf {

// Replaces the file with the complete text: the text goes to the ".tmp" sibling, which is flushed
// to the disk and renamed onto the target, so a crash or a power cut leaves either the old file or
// the new one whole. True when the target was replaced. On failure the target is untouched (only
// the ".tmp" file may remain).
bool writeFileAtomic(const std::string& path, const std::string& text);

}  // namespace scf
