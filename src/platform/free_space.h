#pragma once

#include <cstdint>
#include <string>

namespace scf {

// Bytes free to the current user on the volume that holds the path, after every symbolic link
// on the way is followed (a folder linked to another drive reports that drive). A path not made
// yet counts as its nearest existing parent. 0 when the query fails.
std::uint64_t volumeFreeBytes(const std::string& path);

}  // namespace scf
